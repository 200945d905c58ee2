// Play with the in-memory windows, the real runner and the real mplayer (made silent and
// windowless by a wrapper in a test program folder) on short generated clips.

#include "app/TFFmpegFrmHandlers.h"
#include "base/CharacterType.h"
#include "base/ProgramFolder.h"
#include "media/MediaInfoDll.h"
#include "parameters/TSqlDatMod.h"
#include "player/TMplayerFunc.h"
#include "support/Clip.h"
#include "support/Command.h"
#include "support/MediaClips.h"
#include "support/MemoryControls.h"
#include "support/MemoryPlayer.h"
#include "support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace ondrevo {
namespace {

using namespace testing;
using namespace std::chrono_literals;

struct PlayerClips {
    TempDir folder;
    std::string withSound, withoutSound, longer;
};

// Names with spaces, quotes and UTF-8: the path reaches the player as one argument.
const PlayerClips& PlayerTestClips()
{
    static const std::unique_ptr<PlayerClips> clips = [] {
        auto made = std::make_unique<PlayerClips>();
        made->withSound = made->folder.File("my clip 'one\" \xc3\xbc.mp4");
        made->withoutSound = made->folder.File("silent clip.mp4");
        made->longer = made->folder.File("long clip.mp4");
        GenerateClip(made->withSound, 2, true, true, "-s 160x120");
        GenerateClip(made->withoutSound, 2, true, false, "-s 160x120");
        GenerateClip(made->longer, 10, true, true, "-s 160x120");
        return made;
    }();
    return *clips;
}

class MiniPlayerRun : public ::testing::Test {
protected:
    MiniPlayerRun()
        : db(dir.File("LibFFmpeg.Dat"))
        , main(loop)
    {
        // As at the program's start: UTF-8 paths reach the media library only so.
        EnsureUtf8CharacterType();
        SqlDatMod = &db;
        std::filesystem::create_directory(dir.Path() / "bin");
        SetProgramFolderForTesting(dir.Path().string() + "/");
    }
    ~MiniPlayerRun() override
    {
        SetProgramFolderForTesting("");
        SqlDatMod = nullptr;
    }

    std::string PlayerPath() const { return dir.File("bin/mplayer"); }

    void InstallPlayer(const std::string& script) { WriteScript(PlayerPath(), script); }
    // The real player without picture or sound.
    void InstallSilentPlayer() { InstallPlayer("exec " ONDREVO_MPLAYER " -vo null -ao null \"$@\""); }

    // Presses Play on a row for `path`; `whileShown` runs while the mini player is open.
    void Play(const std::string& path, std::function<void(MemoryMplayerWindow&)> whileShown)
    {
        main.fileList.AppendRow(path, 15, { "mp4", "0.1 MB", "00:00:02", "0%" });
        main.fileList.selected = main.fileList.RowCount() - 1;
        main.createMplayerFrm = [this, whileShown] {
            auto window = std::make_unique<MemoryMplayerWindow>(loop);
            window->whileShown = [this, whileShown](MemoryMplayerWindow& shown) {
                EXPECT_EQ(MplayerFrm, &shown);
                ++windowsShown;
                whileShown(shown);
            };
            return window;
        };
        main.Event([](TFFmpegFrmHandlers& handlers) { handlers.PlayBtnClick(); });
        EXPECT_EQ(MplayerFrm, nullptr);
    }

    bool UntilEnded(MemoryMplayerWindow& window)
    {
        return loop.RunUntil([&] { return window.jvCmdProc.State() == TJvProcessState::psReady; }, 60s);
    }

    TempDir dir;
    TSqlDatMod db;
    PlainEventLoop loop;
    MemoryMainWindow main;
    ErrorReports errors;
    int windowsShown = 0;
};

TEST_F(MiniPlayerRun, LabelAndBarFollowThePlayerAndTheLabelReturnsToZeroAtTheEnd)
{
    InstallSilentPlayer();
    const std::string path = PlayerTestClips().withSound;
    Play(path, [&](MemoryMplayerWindow& window) {
        EXPECT_EQ(window.jvLabFile.caption, path);
        EXPECT_EQ(window.jvCmdProc.Arguments(), TMplayerFunc::PlayerArguments(PlayerPath(), window.windowId, path));
        // The playing time as the media library gives it, and in seconds as the maximum.
        EXPECT_EQ(window.jvLabEdTime.caption, MediaInfoTool("General;%Duration/String3%", path).substr(0, 8));
        EXPECT_EQ(window.jvColorTrkBar.max, 2);
        EXPECT_TRUE(loop.RunUntil([&] { return window.jvLabBgTime.caption == "00:00:01"; }, 60s));
        ASSERT_TRUE(UntilEnded(window));
        EXPECT_EQ(window.jvLabBgTime.caption, "00:00:00");
        EXPECT_EQ(window.jvLabEdTime.caption, "00:00:02");
        const auto& positions = window.jvColorTrkBar.positions;
        EXPECT_NE(std::find(positions.begin(), positions.end(), 1), positions.end());
    });
    EXPECT_EQ(windowsShown, 1);
    EXPECT_TRUE(errors.messages.empty()) << errors.messages.front();
}

TEST_F(MiniPlayerRun, AFileWithoutSoundMovesThePositionToo)
{
    InstallSilentPlayer();
    Play(PlayerTestClips().withoutSound, [&](MemoryMplayerWindow& window) {
        EXPECT_TRUE(loop.RunUntil([&] { return window.jvColorTrkBar.position == 1; }, 60s));
        EXPECT_EQ(window.jvLabBgTime.caption, "00:00:01");
        ASSERT_TRUE(UntilEnded(window));
    });
    EXPECT_TRUE(errors.messages.empty()) << errors.messages.front();
}

TEST_F(MiniPlayerRun, WithoutTheMediaLibraryTheBarKeepsItsMaximumAndThePlayerStillRuns)
{
    RealMediaLibrary restoreAfterwards;
    SetMediaInfoLibraryNameForTesting("libmediainfo-missing.so.0");
    InstallSilentPlayer();
    Play(PlayerTestClips().withSound, [&](MemoryMplayerWindow& window) {
        EXPECT_EQ(window.jvLabEdTime.caption, "00:00:00");
        EXPECT_EQ(window.jvColorTrkBar.max, 100);
        EXPECT_TRUE(loop.RunUntil([&] { return window.jvColorTrkBar.position == 1; }, 60s));
        ASSERT_TRUE(UntilEnded(window));
    });
    EXPECT_TRUE(errors.messages.empty()) << errors.messages.front();
}

TEST_F(MiniPlayerRun, AMissingPlayerIsReportedAndTheWindowStillOpens)
{
    Play(PlayerTestClips().withSound, [&](MemoryMplayerWindow& window) {
        EXPECT_EQ(window.jvLabEdTime.caption, "00:00:02");
        EXPECT_EQ(window.jvCmdProc.State(), TJvProcessState::psReady);
    });
    EXPECT_EQ(windowsShown, 1);
    ASSERT_EQ(errors.messages.size(), 1u);
    EXPECT_EQ(errors.messages[0].rfind("System Error.  Code: 2.", 0), 0u) << errors.messages[0];
}

TEST_F(MiniPlayerRun, PlayWithoutASelectedRowOnlyAsksForOne)
{
    main.createMplayerFrm = [this]() -> std::unique_ptr<IMplayerWindow> {
        ++windowsShown;
        return nullptr;
    };
    main.fileList.AppendRow("/videos/a.mp4", 15, { "mp4", "1 MB", "00:00:02", "0%" });
    main.Event([](TFFmpegFrmHandlers& handlers) { handlers.PlayBtnClick(); });
    EXPECT_EQ(windowsShown, 0);
    ASSERT_EQ(main.desktop.messages.size(), 1u);
    EXPECT_EQ(main.desktop.messages[0],
        std::make_pair(std::string("message"), std::string("Please choose to play video file")));
    EXPECT_TRUE(errors.messages.empty());
}

TEST_F(MiniPlayerRun, ClosingTheWindowEndsThePlayer)
{
    InstallSilentPlayer();
    pid_t player = 0;
    Play(PlayerTestClips().longer, [&](MemoryMplayerWindow& window) {
        player = window.jvCmdProc.ProcessId();
        EXPECT_TRUE(loop.RunUntil([&] { return window.jvColorTrkBar.position >= 1; }, 60s));
    });
    ASSERT_GT(player, 0);
    // The destroyed window's runner reports nothing; the player is gone all the same.
    EXPECT_TRUE(loop.RunUntil([&] { return ProcessGone(player); }, 60s));
    EXPECT_TRUE(errors.messages.empty()) << errors.messages.front();
}

TEST_F(MiniPlayerRun, APlayerThatIgnoresQuitIsEndedAfterClosing)
{
    // Neither reads its input nor writes, and ignores SIGTERM: only SIGKILL ends it.
    InstallPlayer("trap '' TERM\nexec sleep 120");
    pid_t player = 0;
    Play(PlayerTestClips().withSound, [&](MemoryMplayerWindow& window) { player = window.jvCmdProc.ProcessId(); });
    ASSERT_GT(player, 0);
    EXPECT_TRUE(loop.RunUntil([&] { return ProcessGone(player); }, 60s));
}

} // namespace
} // namespace ondrevo
