// Steering a batch as a user would: going on where a Stop left off, converting the failed
// rows again once their sources are mended, converting chosen rows again, and pausing.

#include "app/ConversionTestSupport.h"
#include "app/WindowBatchView.h"
#include "conversion/EncoderPool.h"
#include "process/TJvCreateProcess.h"
#include "support/Command.h"
#include "support/MediaClips.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace ondrevo::testing {
namespace {

namespace fs = std::filesystem;

class SteerBatch : public ::testing::Test {
protected:
    SteerBatch()
        : session(dir)
        , window(session.window)
    {
    }

    void ConvertRows(RunScope scope)
    {
        session.Event([scope](TFFmpegFrmHandlers& h) { h.FileListViewConvertRows(scope); });
    }
    bool CanConvert(RunScope scope)
    {
        bool can = false;
        session.Event([&](TFFmpegFrmHandlers& h) { can = h.FileListViewCanConvertRows(scope); });
        return can;
    }
    void Pause()
    {
        session.Event([](TFFmpegFrmHandlers& h) { h.PauseButtonClick(); });
    }
    fs::file_time_type Written(const std::string& name) { return fs::last_write_time(session.Output(name)); }
    // The state letter of a process (R, S, T, ...), or 0 once it is gone.
    static char ProcessState(pid_t pid)
    {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), {});
        const std::size_t close = text.rfind(')');
        return close == std::string::npos || close + 2 >= text.size() ? 0 : text[close + 2];
    }

    TempDir dir;
    ConversionSession session;
    MemoryMainWindow& window;
    ErrorReports reports;
};

TEST_F(SteerBatch, RemainingRowsGoOnWhereAStopLeftOffAndFailedRowsRunAgainAlone)
{
    const std::string broken = dir.File("src/broken.mp4");
    fs::create_directories(dir.Path() / "src");
    std::ofstream(broken) << "not a video yet";
    session.Add(session.Clip("src/a.mp4", 1));
    session.Add(broken);
    session.Add(session.Clip("src/c.mp4", 1));
    session.Add(session.Clip("src/d.mp4", 1));
    EXPECT_FALSE(CanConvert(RunScope::Failed)); // nothing has failed yet
    EXPECT_TRUE(CanConvert(RunScope::Remaining));

    // Stop once the first two rows are done: the third is stopped, the fourth waits.
    session.Convert();
    EXPECT_FALSE(CanConvert(RunScope::Remaining)); // greyed out while a batch runs
    ASSERT_TRUE(session.RunUntil([&] { return session.Phase(2) == RowPhase::Converting; }));
    session.Stop();
    ASSERT_TRUE(session.WaitUntilIdle());
    EXPECT_EQ(session.Phase(0), RowPhase::Converted);
    EXPECT_EQ(session.Phase(1), RowPhase::Failed);
    EXPECT_EQ(session.Phase(2), RowPhase::Stopped);
    EXPECT_EQ(session.Phase(3), RowPhase::Waiting);
    const auto aWritten = Written("a.3gp");

    // Remaining rows: the failed, stopped and waiting ones, never the converted one.
    ConvertRows(RunScope::Remaining);
    EXPECT_EQ(window.batchDisplay.text.rfind("0 of 3 files", 0), 0u) << window.batchDisplay.text;
    ASSERT_TRUE(session.WaitUntilIdle());
    EXPECT_EQ(Written("a.3gp"), aWritten);
    for (int row : { 0, 2, 3 })
        EXPECT_EQ(session.Phase(row), RowPhase::Converted) << row;
    EXPECT_EQ(session.Phase(1), RowPhase::Failed);
    EXPECT_EQ(window.batch.RowsOf(RunScope::Remaining), std::vector<int> { 1 });

    // Mended on disk, the failed row runs again alone; the others are not touched.
    fs::copy_file(session.Clip("mended.mp4", 1), broken, fs::copy_options::overwrite_existing);
    const auto cWritten = Written("c.3gp");
    ASSERT_TRUE(CanConvert(RunScope::Failed));
    ConvertRows(RunScope::Failed);
    ASSERT_TRUE(session.WaitUntilIdle());
    EXPECT_EQ(session.Phase(1), RowPhase::Converted);
    EXPECT_NEAR(ProbeDuration(session.Output("broken.3gp")), 1.0, 0.2);
    // The row counts on the mended file's length, not on the broken one's guess.
    EXPECT_EQ(session.Percent(1), "100%");
    EXPECT_EQ(session.PlayingMilliseconds(1) / 1000, 1);
    EXPECT_EQ(Written("a.3gp"), aWritten);
    EXPECT_EQ(Written("c.3gp"), cWritten);
    EXPECT_FALSE(CanConvert(RunScope::Failed));
    EXPECT_FALSE(CanConvert(RunScope::Remaining));

    // This row again: the selected rows, converted ones too.
    window.fileList.selected = 0;
    ASSERT_TRUE(CanConvert(RunScope::Selected));
    ConvertRows(RunScope::Selected);
    ASSERT_TRUE(session.WaitUntilIdle());
    EXPECT_NE(Written("a.3gp"), aWritten);
    EXPECT_EQ(Written("c.3gp"), cWritten);
    EXPECT_TRUE(reports.messages.empty());
}

TEST_F(SteerBatch, PauseHoldsTheEncoderAndStopWhilePausedKeepsAPlayablePart)
{
    session.EncodeUntilStopped();
    session.Add(session.Clip("long.mp4", 10));
    session.Add(session.Clip("next.mp4", 1));
    EXPECT_FALSE(window.pauseButton.enabled);
    session.Convert();
    EXPECT_TRUE(window.pauseButton.enabled);
    ASSERT_TRUE(session.RunUntil([&] { return session.Percent(0) != "0%"; }));
    const pid_t encoder = window.runner.ProcessId();

    Pause();
    EXPECT_EQ(window.pauseButton.caption, window_view::kResumeCaption);
    EXPECT_TRUE(window.batchDisplay.paused);
    EXPECT_NE(window.batchDisplay.text.find("paused"), std::string::npos) << window.batchDisplay.text;
    EXPECT_FALSE(window.sleepInhibitor.Held());
    ASSERT_TRUE(session.RunUntil([&] { return ProcessState(encoder) == 'T'; }, std::chrono::seconds(10)));

    // Resumed, it runs again and takes the machine's wakefulness again.
    Pause();
    EXPECT_EQ(window.pauseButton.caption, window_view::kPauseCaption);
    EXPECT_TRUE(window.sleepInhibitor.Held());
    EXPECT_FALSE(window.batchDisplay.paused);
    ASSERT_TRUE(session.RunUntil([&] { return ProcessState(encoder) != 'T'; }, std::chrono::seconds(10)));

    // Stop while paused: the encoder is let go on, told to finish, and its part is kept.
    Pause();
    ASSERT_TRUE(session.RunUntil([&] { return ProcessState(encoder) == 'T'; }, std::chrono::seconds(10)));
    session.Stop();
    ASSERT_TRUE(session.WaitUntilIdle(std::chrono::seconds(30)));
    EXPECT_EQ(window.runner.State(), TJvProcessState::psReady);
    const double part = ProbeDuration(session.Output("long.3gp"));
    EXPECT_GT(part, 0.0);
    EXPECT_LT(part, 10.0);
    EXPECT_EQ(session.Phase(0), RowPhase::Stopped);
    EXPECT_EQ(session.Phase(1), RowPhase::Waiting);
    EXPECT_FALSE(window.pauseButton.enabled);
    EXPECT_EQ(window.pauseButton.caption, window_view::kPauseCaption);
    EXPECT_TRUE(reports.messages.empty());
}

} // namespace
} // namespace ondrevo::testing
