// "Files converted at once" above 1: rows run side by side with unique names, a failing
// row among them, and Stop and closing with two encoders running.

#include "app/ConversionTestSupport.h"
#include "conversion/EncoderPool.h"
#include "process/TJvCreateProcess.h"
#include "support/MemoryControls.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace ondrevo::testing {
namespace {

namespace fs = std::filesystem;

class FilesAtOnce : public ::testing::Test {
protected:
    FilesAtOnce()
        : session(std::make_unique<ConversionSession>(dir))
        , window(session->window)
    {
    }
    void SetUp() override
    {
        if (std::thread::hardware_concurrency() < 2)
            GTEST_SKIP() << "one core: at most one file at once";
        // The shipped database has no table for the count: it means 1 until saved.
        EXPECT_EQ(window.filesAtOnceSpin.Value(), 1);
        window.filesAtOnceSpin.UserSets(2);
    }
    int Running() const
    {
        int running = 0;
        for (std::size_t slot = 0; slot < window.encoders.Count(); ++slot)
            running += window.encoders.Runner(slot).State() == TJvProcessState::psWaiting;
        return running;
    }

    TempDir dir;
    std::unique_ptr<ConversionSession> session;
    MemoryMainWindow& window;
    ErrorReports reports;
};

TEST_F(FilesAtOnce, TwoRowsRunSideBySideWithUniqueNamesAndAFailingRowDoesNotHoldTheOthers)
{
    EXPECT_EQ(QueryValue(session->programFolder + "/LibFFmpeg.Dat", "select atonce_count from convert_atonce"), "2");
    const std::string garbage = dir.File("garbage.mp4");
    std::ofstream(garbage) << std::string(5000, 'x');
    for (const std::string& path :
        { session->Clip("one/clip.mp4", 3), session->Clip("two/clip.mp4", 3), garbage, session->Clip("good.mp4", 2) })
        session->Add(path);
    window.batchDisplay.away = true;
    session->Convert();
    EXPECT_TRUE(window.batchDisplay.shown);
    EXPECT_EQ(window.batchDisplay.text, "0 of 4 files");
    // Each start is read off the loop, one after the other.
    ASSERT_TRUE(session->RunUntil([&] { return Running() == 2; }));
    EXPECT_EQ(session->Phase(0), RowPhase::Converting);
    EXPECT_EQ(session->Phase(1), RowPhase::Converting);
    EXPECT_EQ(session->Phase(2), RowPhase::Waiting);
    EXPECT_EQ(window.jvEditNumb.Text(), "1");
    ASSERT_TRUE(session->WaitUntilIdle());

    for (const char* name : { "clip.3gp", "clip (2).3gp", "good.3gp" })
        EXPECT_NEAR(ProbeDuration(session->Output(name)), name[0] == 'g' ? 2.0 : 3.0, 0.3) << name;
    EXPECT_EQ(session->Phase(2), RowPhase::Failed);
    EXPECT_NE(session->Reason(2).find("garbage.mp4"), std::string::npos) << session->Reason(2);
    for (int row : { 0, 1, 3 })
        EXPECT_EQ(session->Phase(row), RowPhase::Converted) << row;
    EXPECT_EQ(window.jvEditCmdMsg.Text(), "");
    EXPECT_FALSE(window.batchDisplay.shown);
    EXPECT_EQ(window.batchDisplay.notifications, std::vector<std::string> { "3 files converted, 1 failed" });
    EXPECT_FALSE(window.timer.Enabled());
    EXPECT_FALSE(window.sleepInhibitor.Held());
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

TEST_F(FilesAtOnce, StopAndClosingLetEveryRunningEncoderFinishAPlayableFile)
{
    session->EncodeUntilStopped();
    for (const char* name : { "a.mp4", "b.mp4", "c.mp4" })
        session->Add(session->Clip(name, 10));
    window.batchDisplay.away = true;
    for (const bool close : { false, true }) {
        // What the first round kept must not pass for what closing keeps.
        fs::remove(session->Output("a.3gp"));
        fs::remove(session->Output("b.3gp"));
        // The first time the batch starts with one at once; raising the count starts the
        // second row there and then.
        window.filesAtOnceSpin.UserSets(close ? 2 : 1);
        session->Convert();
        ASSERT_TRUE(session->RunUntil([&] { return Running() == (close ? 2 : 1); }));
        session->loop.Drain(std::chrono::milliseconds(200));
        EXPECT_EQ(Running(), close ? 2 : 1);
        window.filesAtOnceSpin.UserSets(2);
        EXPECT_EQ(session->Phase(1), RowPhase::Converting);
        ASSERT_TRUE(session->RunUntil([&] { return Running() == 2; }));
        ASSERT_TRUE(session->RunUntil([&] { return session->Percent(0) != "0%" && session->Percent(1) != "0%"; }));
        if (close) {
            window.Close();
            session->loop.Run(); // ends once both encoders have ended
            EXPECT_EQ(Running(), 0);
        } else {
            session->Stop();
            EXPECT_EQ(session->Phase(0), RowPhase::Stopped);
            EXPECT_EQ(session->Phase(1), RowPhase::Stopped);
            EXPECT_TRUE(window.addFileBtn.enabled);
            EXPECT_FALSE(window.batchDisplay.shown);
            ASSERT_TRUE(session->WaitUntilIdle());
        }
        for (const char* name : { "a.3gp", "b.3gp" }) {
            const double part = ProbeDuration(session->Output(name));
            EXPECT_GT(part, 0.0) << name << (close ? " after closing" : " after Stop");
            EXPECT_LT(part, 10.0) << name;
        }
        EXPECT_FALSE(fs::exists(session->Output("c.3gp")));
        EXPECT_EQ(session->Phase(2), RowPhase::Waiting);
    }
    EXPECT_TRUE(window.batchDisplay.notifications.empty());
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

} // namespace
} // namespace ondrevo::testing
