#pragma once
// The output folder: shown in its read-only edit, stored in the parameter database,
// chosen with the desktop's folder chooser and opened in its file browser. A failing
// statement raises EUniError. UI thread.

#include <string>

namespace ondrevo {

class IDesktop;
class IEdit;
class TSqliteQuery;

namespace output_folder {

// The program's folder followed by "FFOutput", or the installed program's folder in the
// user's videos (base/UserFolder.h); shown, never stored.
std::string Default();
// Makes `folder` when it is the default and missing (the installed program's default is
// made at the first conversion); a folder the user chose is never made, so that outputs
// do not go under the mount point of a disk that is not there. Returns why it cannot be
// made, or "".
std::string MakeDefault(const std::string& folder);
// Shows the stored folder, or the default when none is stored or the stored one cannot
// be read (the error is raised then).
void Load(TSqliteQuery& query, IEdit& folderEdit);
// The stored folder, or the default when none is stored. Raises EUniError.
std::string Read(TSqliteQuery& query);
// Lets the user pick a folder; stores it, then shows it, so a failing update leaves the
// stored folder shown. Cancelling changes nothing; an answer that is no folder shows the
// default and stores nothing. Returns whether a folder was stored.
bool Choose(TSqliteQuery& query, IEdit& folderEdit, IDesktop& desktop);
// Opens the folder shown in the desktop's file browser; nothing is reported.
void Open(const IEdit& folderEdit, IDesktop& desktop);

} // namespace output_folder
} // namespace ondrevo
