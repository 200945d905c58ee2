#pragma once
// The source file list and the details panel: adding, deleting and clearing rows, and
// showing one file's facts from a media query. When the media information library
// cannot be loaded, adding adds nothing and the panel keeps what it shows. UI thread.

#include "media/SourceFacts.h"

#include <string>
#include <vector>

namespace ondrevo {

class IDetailsPanel;
class IEdit;
class IFileList;
class IOpenDialog;

namespace file_list {

// The row image of a file added and not converted yet.
constexpr int kAddedFileImage = 15;
// The percent cell of a row not converted yet.
extern const char* const kStartPercent;

// What `path` names when it exists but is no regular file: "a folder", "a named pipe",
// "a device" or "a socket"; empty for a regular file (or a link to one) and for a path
// that does not exist. A named pipe or a device would keep the encoder waiting or
// reading for ever: such paths are neither added nor converted.
std::string NotAFileKind(const std::string& path);

// Runs the open dialog; appends a row for the chosen file (caption = its path, image
// 15, type, size, playing time, "0%") and shows its facts.
void AddVideoFile(IOpenDialog& dialog, IFileList& list, IDetailsPanel& panel);
// Appends the row of the file at `path` as Add does for a chosen file, whatever the
// path names unless it is no regular file (NotAFileKind), and shows its facts. False
// when the media library cannot be loaded.
bool AddChosenFile(const std::string& path, IFileList& list, IDetailsPanel& panel);
// Appends a row for each of `paths` in order, as AddVideoFile does for a chosen file,
// and shows the facts of each in turn (so the last one's stay). A path that is not a
// file (a folder, a vanished file) is passed over; when the media information library
// cannot be loaded nothing is added.
void AddVideoFiles(const std::vector<std::string>& paths, IFileList& list, IDetailsPanel& panel);
// Deletes the selected rows, if any; an empty list blanks the panel.
void DeleteVideoFile(IFileList& list, IDetailsPanel& panel);
// Empties a non-empty list, blanks the panel, sets the cursor to "-1" (its change event
// starts nothing) and empties the status line.
void ClearVideoFiles(IFileList& list, IDetailsPanel& panel, IEdit& cursor, IEdit& statusLine);
// Shows the facts of the selected row's file, if a row is selected.
void ShowSelectedFileInfo(const IFileList& list, IDetailsPanel& panel);
// Fills the panel's rows 1..15 with the facts of the file at `path`.
void ShowFileInfo(IDetailsPanel& panel, const std::string& path);
// The same, handing back from the same query the file's playing time in milliseconds
// (0 when unknown). False, with the panel untouched, when the library cannot be loaded.
bool ShowFileInfo(IDetailsPanel& panel, const std::string& path, long long& milliseconds);
// The facts of the file at `path` from one media query, nothing known when the library
// cannot be loaded. Reads only the file: safe on any thread.
SourceFacts ReadFacts(const std::string& path);
// Fills the panel's rows 1..15 with `facts`; the panel stays as it was when nothing is known.
void ShowFacts(IDetailsPanel& panel, const SourceFacts& facts);
// Blanks the panel's rows 1..15 (one empty value each, none for the headings).
void ClearFileInfo(IDetailsPanel& panel);

} // namespace file_list
} // namespace ondrevo
