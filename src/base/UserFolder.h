#pragma once
// Each user's own program folder, for the program installed system-wide: a program in
// /usr cannot keep LibFFmpeg.Dat beside itself. The folder is where the per-user install
// puts its copy, ${XDG_DATA_HOME:-~/.local/share}/ondrevo/; at the first start it gets a
// copy of the shipped LibFFmpeg.Dat and bin/ffmpeg and bin/mplayer linking the system's
// programs. What is there already (a per-user install's choices, a link the user pointed
// elsewhere) is kept. The default output folder is the user's videos folder with
// "Ondrevo" below it, or the per-user install's FFOutput/ where there is one.

#include <optional>
#include <string>

namespace ondrevo {

// The variables the folders are found from, as set ("" when unset).
struct UserEnvironment {
    std::string home;
    std::string dataHome; // XDG_DATA_HOME
    std::string configHome; // XDG_CONFIG_HOME
    std::string cacheHome; // XDG_CACHE_HOME
    static UserEnvironment FromProcess();
};

// What a user's folder is made from.
struct UserFolderSources {
    std::string shippedDatabase; // copied once as LibFFmpeg.Dat
    std::string ffmpeg; // what bin/ffmpeg links to
    std::string mplayer; // what bin/mplayer links to
};

struct UserFolder {
    std::string programFolder; // with its trailing separator
    std::string defaultOutput; // not made here: the first conversion makes it
};

// ${XDG_DATA_HOME:-~/.local/share}/ondrevo/; a relative XDG_DATA_HOME counts as unset.
std::string UserProgramFolder(const UserEnvironment& environment);

// ${XDG_CACHE_HOME:-~/.cache}/ondrevo (without a trailing separator), where what may be
// made again is kept between runs; "" without a home folder.
std::string UserCacheFolder(const UserEnvironment& environment);

// XDG_VIDEOS_DIR of ${XDG_CONFIG_HOME:-~/.config}/user-dirs.dirs, else ~/Videos (also
// when it names the home folder itself, which means the user has no videos folder).
std::string UserVideosFolder(const UserEnvironment& environment);

// Finds the user's folder and makes what it lacks. Raises Exception naming the file or
// folder that cannot be made; a LibFFmpeg.Dat is either whole or not there.
UserFolder PrepareUserFolder(const UserEnvironment& environment, const UserFolderSources& sources);

// What the installed program's folders are made from; none for a copy run from its build
// folder or from a per-user install, which keep everything beside the executable.
std::optional<UserFolderSources> InstalledSources();

// For the installed program: prepares the user's folder (PrepareUserFolder), makes it the
// program folder and the default output folder's home, and the working directory. Does
// nothing for any other copy. Paths given relative to where the program was started are
// to be made absolute before. Raises Exception as PrepareUserFolder does.
void EnterUserFolder();

} // namespace ondrevo
