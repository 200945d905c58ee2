// Each user's program folder for the installed program: where it is, what its first start
// makes, what a later start or a per-user install left there and keeps, and the videos
// folder the outputs go to.

#include "base/UserFolder.h"
#include "base/Errors.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace ondrevo::testing {
namespace {

namespace fs = std::filesystem;

void Write(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

TEST(UserFolder, TheFolderFollowsXdgDataHomeAsThePerUserInstallDoes)
{
    const struct {
        const char* dataHome;
        const char* expected;
    } cases[] = {
        { "", "/home/u/.local/share/ondrevo/" },
        { "relative/data", "/home/u/.local/share/ondrevo/" },
        { "/data/u/", "/data/u/ondrevo/" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dataHome);
        EXPECT_EQ(UserProgramFolder({ "/home/u/", c.dataHome, "" }), c.expected);
    }
}

TEST(UserFolder, TheVideosFolderIsTheOneUserDirsNamesElseVideosInTheHome)
{
    TempDir dir;
    const std::string home = dir.File("home");
    const struct {
        const char* name;
        const char* file; // nullptr: no user-dirs.dirs
        std::string expected;
    } cases[] = {
        { "no file", nullptr, home + "/Videos" },
        { "below the home", "XDG_VIDEOS_DIR=\"$HOME/Filme\"\n", home + "/Filme" },
        { "elsewhere, with a quote", "XDG_VIDEOS_DIR=\"/media/my \\\"clips\\\"/\"\n", "/media/my \"clips\"" },
        { "the home itself: none", "XDG_VIDEOS_DIR=\"$HOME/\"\n", home + "/Videos" },
        { "commented out", "# XDG_VIDEOS_DIR=\"$HOME/Old\"\nXDG_MUSIC_DIR=\"$HOME/Music\"\n", home + "/Videos" },
        { "the last one counts", "XDG_VIDEOS_DIR=\"$HOME/A\"\n  XDG_VIDEOS_DIR=\"$HOME/B\"\n", home + "/B" },
        { "relative: ignored", "XDG_VIDEOS_DIR=\"Videos2\"\n", home + "/Videos" },
        { "$HOMEx is no $HOME", "XDG_VIDEOS_DIR=\"$HOMEx/V\"\n", home + "/Videos" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(home);
        if (c.file)
            Write(home + "/.config/user-dirs.dirs", c.file);
        EXPECT_EQ(UserVideosFolder({ home, "", "" }), c.expected);
    }
    // XDG_CONFIG_HOME moves the file; a relative one counts as unset.
    Write(dir.File("config/user-dirs.dirs"), "XDG_VIDEOS_DIR=\"$HOME/Elsewhere\"\n");
    EXPECT_EQ(UserVideosFolder({ home, "", dir.File("config") }), home + "/Elsewhere");
    Write(home + "/.config/user-dirs.dirs", "XDG_VIDEOS_DIR=\"$HOME/Home's\"\n");
    EXPECT_EQ(UserVideosFolder({ home, "", "config" }), home + "/Home's");
}

class PreparedFolder : public ::testing::Test {
protected:
    PreparedFolder()
    {
        Write(shipped, "shipped settings");
        Write(dir.File("usr/bin/ffmpeg"), "");
        Write(dir.File("usr/bin/mplayer"), "");
    }
    UserFolder Prepare() { return PrepareUserFolder(environment, sources); }
    std::string Folder() const { return home + "/.local/share/ondrevo/"; }

    TempDir dir;
    const std::string home = dir.File("home");
    const std::string shipped = dir.File("usr/share/ondrevo/LibFFmpeg.Dat");
    UserEnvironment environment { home, "", "" };
    UserFolderSources sources { shipped, dir.File("usr/bin/ffmpeg"), dir.File("usr/bin/mplayer") };
};

TEST_F(PreparedFolder, TheFirstStartCopiesTheSettingsLinksTheProgramsAndLeavesTheOutputFolderToTheFirstConversion)
{
    const UserFolder folder = Prepare();
    EXPECT_EQ(folder.programFolder, Folder());
    EXPECT_EQ(FileBytes(Folder() + "LibFFmpeg.Dat"), "shipped settings");
    struct stat copy { };
    ASSERT_EQ(::stat((Folder() + "LibFFmpeg.Dat").c_str(), &copy), 0);
    EXPECT_EQ(copy.st_mode & 0777, 0644u) << "the user's own copy, writable by the user";
    EXPECT_EQ(fs::read_symlink(Folder() + "bin/ffmpeg"), sources.ffmpeg);
    EXPECT_EQ(fs::read_symlink(Folder() + "bin/mplayer"), sources.mplayer);
    EXPECT_EQ(FolderNames(Folder()), (std::vector<std::string> { "LibFFmpeg.Dat", "bin" }));
    EXPECT_EQ(folder.defaultOutput, home + "/Videos/Ondrevo");
    EXPECT_FALSE(fs::exists(home + "/Videos"));
}

TEST_F(PreparedFolder, WhatALaterStartOrAPerUserInstallLeftIsKept)
{
    const struct {
        const char* name;
        bool perUserOutput; // the per-user install's FFOutput/
        const char* ownLink; // bin/ffmpeg pointing elsewhere
        bool linkExists;
        std::string expectedOutput;
    } cases[] = {
        { "a later start", false, nullptr, true, home + "/Videos/Ondrevo" },
        { "a per-user install", true, nullptr, true, Folder() + "FFOutput" },
        { "the user's own encoder", false, "/opt/ffmpeg/bin/ffmpeg", true, home + "/Videos/Ondrevo" },
        { "a link to a removed encoder", false, "/nowhere/ffmpeg", false, home + "/Videos/Ondrevo" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(home);
        Write(Folder() + "LibFFmpeg.Dat", "the user's choices");
        if (c.perUserOutput)
            fs::create_directories(Folder() + "FFOutput");
        std::string ownTarget = c.ownLink ? c.ownLink : "";
        if (c.ownLink && c.linkExists) {
            ownTarget = dir.File("own-ffmpeg");
            Write(ownTarget, "");
        }
        if (c.ownLink) {
            fs::create_directories(Folder() + "bin");
            fs::create_symlink(ownTarget, Folder() + "bin/ffmpeg");
        }
        const UserFolder folder = Prepare();
        EXPECT_EQ(FileBytes(Folder() + "LibFFmpeg.Dat"), "the user's choices");
        EXPECT_EQ(folder.defaultOutput, c.expectedOutput);
        EXPECT_EQ(
            fs::read_symlink(Folder() + "bin/ffmpeg").string(), c.ownLink && c.linkExists ? ownTarget : sources.ffmpeg);
    }
}

TEST_F(PreparedFolder, AFolderThatCannotBeMadeIsNamedAndNoSettingsAreLeftHalfMade)
{
    const struct {
        const char* name;
        std::function<void()> breakIt;
        const char* named;
    } cases[] = {
        { "no shipped settings", [&] { fs::remove(shipped); }, "LibFFmpeg.Dat" },
        { "a file where the folder goes", [&] { Write(home + "/.local/share/ondrevo", ""); }, "ondrevo" },
        { "no home", [&] { environment.home = ""; }, "HOME" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.breakIt();
        try {
            Prepare();
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            EXPECT_NE(std::string(e.what()).find(c.named), std::string::npos) << e.what();
        }
        EXPECT_FALSE(fs::is_regular_file(Folder() + "LibFFmpeg.Dat"));
        if (fs::is_directory(Folder()))
            EXPECT_EQ(FolderNames(Folder()), std::vector<std::string> { "bin" });
        fs::remove_all(home);
        Write(shipped, "shipped settings");
        environment.home = home;
    }
}

TEST(UserFolder, ACopyBuiltForItsOwnFolderHasNoInstalledSources)
{
    // The test build is not one for a system-wide install: it keeps everything beside
    // the executable, as a copy run from the build folder does.
    EXPECT_FALSE(InstalledSources());
}

TEST(UserFolder, TheCacheFollowsXdgCacheHomeAndNeedsAHome)
{
    const struct {
        const char* home;
        const char* cacheHome;
        const char* expected;
    } cases[] = {
        { "/home/u", "", "/home/u/.cache/ondrevo" },
        { "/home/u/", "/var/cache/u/", "/var/cache/u/ondrevo" },
        { "/home/u", "relative", "/home/u/.cache/ondrevo" },
        { "", "", "" },
        { "", "/var/cache/u", "/var/cache/u/ondrevo" },
    };
    for (const auto& c : cases) {
        UserEnvironment environment { c.home, "", "", c.cacheHome };
        EXPECT_EQ(UserCacheFolder(environment), c.expected) << c.home << " " << c.cacheHome;
    }
}

} // namespace
} // namespace ondrevo::testing
