#include "base/UserFolder.h"

#include "base/Errors.h"
#include "base/ProgramFolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace ondrevo {
namespace {

namespace fs = std::filesystem;

std::string Variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool IsAbsolute(const std::string& path)
{
    return !path.empty() && path.front() == '/';
}

std::string WithoutTrailingSeparators(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

[[noreturn]] void Fail(const std::string& what, const std::string& path, int code)
{
    throw Exception("Cannot " + what + " " + path + ": " + std::strerror(code));
}

// The value of `XDG_VIDEOS_DIR="..."` on one line of user-dirs.dirs, with $HOME put in;
// none when the line sets something else. The file is written as shell assignments of a
// double-quoted "$HOME/..." or "/...".
std::optional<std::string> VideosAssignment(const std::string& line, const std::string& home)
{
    const std::string key = "XDG_VIDEOS_DIR=";
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, key.size(), key) != 0)
        return std::nullopt;
    std::string value;
    std::size_t i = start + key.size();
    const bool quoted = i < line.size() && line[i] == '"';
    if (quoted)
        ++i;
    for (; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted ? c == '"' : (c == ' ' || c == '\t' || c == '#'))
            break;
        if (c == '\\' && i + 1 < line.size())
            value += line[++i];
        else
            value += c;
    }
    const std::string homeVariable = "$HOME";
    if (value.compare(0, homeVariable.size(), homeVariable) == 0
        && (value.size() == homeVariable.size() || value[homeVariable.size()] == '/'))
        value = home + value.substr(homeVariable.size());
    return value;
}

// Makes bin/<name> link to the system's program unless something usable is there.
void Link(const std::string& link, const std::string& target)
{
    struct stat linkStat { };
    if (::lstat(link.c_str(), &linkStat) == 0) {
        struct stat targetStat { };
        if (!S_ISLNK(linkStat.st_mode) || ::stat(link.c_str(), &targetStat) == 0)
            return;
        // A link to a program that is gone (an older system's path) is renewed.
        ::unlink(link.c_str());
    }
    if (::symlink(target.c_str(), link.c_str()) != 0 && errno != EEXIST)
        Fail("link", link, errno);
}

// Copies the shipped database in unless the folder has one. The copy is written beside it
// and linked into place, so another start at the same moment and an end midway never
// leave a part of it, and a file that appeared meanwhile is not replaced.
void CopyDatabaseOnce(const std::string& database, const std::string& shipped)
{
    struct stat existing { };
    if (::lstat(database.c_str(), &existing) == 0)
        return;
    const std::string temporary = database + ".new." + std::to_string(::getpid());
    std::error_code error;
    fs::remove(temporary, error);
    if (!fs::copy_file(shipped, temporary, error)) {
        fs::remove(temporary, error);
        throw Exception("Cannot copy the shipped settings " + shipped + " to " + database + ": " + error.message());
    }
    fs::permissions(temporary,
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read, error);
    const int linked = ::link(temporary.c_str(), database.c_str());
    const int code = errno;
    ::unlink(temporary.c_str());
    if (linked != 0 && code != EEXIST)
        Fail("make", database, code);
}

} // namespace

UserEnvironment UserEnvironment::FromProcess()
{
    return { Variable("HOME"), Variable("XDG_DATA_HOME"), Variable("XDG_CONFIG_HOME"), Variable("XDG_CACHE_HOME") };
}

std::string UserCacheFolder(const UserEnvironment& environment)
{
    if (IsAbsolute(environment.cacheHome))
        return WithoutTrailingSeparators(environment.cacheHome) + "/ondrevo";
    if (!IsAbsolute(environment.home))
        return "";
    return WithoutTrailingSeparators(environment.home) + "/.cache/ondrevo";
}

std::string UserProgramFolder(const UserEnvironment& environment)
{
    const std::string dataHome = IsAbsolute(environment.dataHome)
        ? WithoutTrailingSeparators(environment.dataHome)
        : WithoutTrailingSeparators(environment.home) + "/.local/share";
    return dataHome + "/ondrevo/";
}

std::string UserVideosFolder(const UserEnvironment& environment)
{
    const std::string home = WithoutTrailingSeparators(environment.home);
    const std::string configHome = IsAbsolute(environment.configHome) ? environment.configHome : home + "/.config";
    std::string videos;
    std::ifstream dirs(configHome + "/user-dirs.dirs");
    for (std::string line; std::getline(dirs, line);) {
        // The last assignment counts, as when the shell reads the file.
        if (const std::optional<std::string> value = VideosAssignment(line, home))
            videos = WithoutTrailingSeparators(*value);
    }
    if (!IsAbsolute(videos) || videos == home)
        return home + "/Videos";
    return videos;
}

UserFolder PrepareUserFolder(const UserEnvironment& environment, const UserFolderSources& sources)
{
    if (!IsAbsolute(environment.home))
        throw Exception("Cannot find your own folder for Ondrevo's settings: HOME is not set to an absolute path");
    UserFolder folder;
    folder.programFolder = UserProgramFolder(environment);
    std::error_code error;
    fs::create_directories(folder.programFolder + "bin", error);
    if (error)
        Fail("make", folder.programFolder + "bin", error.value());
    Link(folder.programFolder + "bin/ffmpeg", sources.ffmpeg);
    Link(folder.programFolder + "bin/mplayer", sources.mplayer);
    CopyDatabaseOnce(folder.programFolder + "LibFFmpeg.Dat", sources.shippedDatabase);
    // A per-user install's default output folder stays the default for its user.
    const std::string perUserOutput = folder.programFolder + "FFOutput";
    folder.defaultOutput
        = fs::is_directory(perUserOutput, error) ? perUserOutput : UserVideosFolder(environment) + "/Ondrevo";
    return folder;
}

std::optional<UserFolderSources> InstalledSources()
{
#ifdef ONDREVO_SYSTEM_DATA_DIR
    return UserFolderSources { ONDREVO_SYSTEM_DATA_DIR "/LibFFmpeg.Dat", ONDREVO_SYSTEM_FFMPEG,
        ONDREVO_SYSTEM_MPLAYER };
#else
    return std::nullopt;
#endif
}

void EnterUserFolder()
{
    const std::optional<UserFolderSources> sources = InstalledSources();
    if (!sources)
        return;
    const UserFolder folder = PrepareUserFolder(UserEnvironment::FromProcess(), *sources);
    if (::chdir(folder.programFolder.c_str()) != 0)
        Fail("enter", folder.programFolder, errno);
    UseProgramFolder(folder.programFolder, folder.defaultOutput);
}

} // namespace ondrevo
