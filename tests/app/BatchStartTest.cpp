// Rows whose start fails: the settings file locked by another program (tried again), or
// damaged (the rows fail with the reason), an output folder nobody chose. The batch goes
// on or ends, leaves no temporary file, and Stop and closing always end it.

#include "app/ConversionTestSupport.h"
#include "app/TFFmpegFunc.h"
#include "base/ProgramFolder.h"
#include "base/UsableCores.h"
#include "conversion/Batch.h"
#include "parameters/ListJournal.h"
#include "process/TJvCreateProcess.h"

#include <condition_variable>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace ondrevo::testing {
namespace {

namespace fs = std::filesystem;

// Runs the loop until the program asks it to quit. A program that never asks is ended
// from outside after `limit`, and false is returned.
bool RunsUntilQuit(PlainEventLoop& loop, std::chrono::seconds limit)
{
    std::mutex mutex;
    std::condition_variable returned;
    bool done = false;
    bool forced = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!returned.wait_for(lock, limit, [&] { return done; })) {
            forced = true;
            loop.Quit();
        }
    });
    loop.Run();
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    returned.notify_one();
    watchdog.join();
    return !forced;
}

class BatchStart : public ::testing::Test {
protected:
    BatchStart()
        : session(dir)
        , window(session.window)
        , db(session.programFolder + "/LibFFmpeg.Dat")
    {
        // Each statement gives up on a lock at once; the batch's own tries remain.
        session.dataModule.SetBusyTimeout(std::chrono::milliseconds(50));
        session.Add(session.Clip("one.mp4", 1));
        session.Add(session.Clip("two.mp4", 1));
    }
    bool WaitingForTheLock() { return window.jvEditCmdMsg.Text().find("database is locked") != std::string::npos; }

    TempDir dir;
    ConversionSession session;
    MemoryMainWindow& window;
    const std::string db;
    ErrorReports reports;
};

TEST_F(BatchStart, ALockedSettingsFileIsTriedAgainUntilItIsFreeOrTheRowsFailWithTheReason)
{
    for (const bool released : { true, false }) {
        SCOPED_TRACE(released ? "released after the first try" : "held throughout");
        for (const char* name : { "one.3gp", "two.3gp" })
            fs::remove(session.Output(name));
        LockHolder lock(db, 600, true);
        session.Convert();
        ASSERT_TRUE(session.RunUntil([&] { return WaitingForTheLock(); }));
        EXPECT_EQ(session.Phase(0), RowPhase::Converting);
        EXPECT_FALSE(window.addFileBtn.enabled);
        if (released)
            lock.Release();
        ASSERT_TRUE(session.WaitUntilIdle(std::chrono::seconds(90)));
        lock.Release();

        for (int row : { 0, 1 }) {
            EXPECT_EQ(session.Phase(row), released ? RowPhase::Converted : RowPhase::Failed) << row;
            EXPECT_EQ(session.Reason(row).find("database is locked") != std::string::npos, !released)
                << session.Reason(row);
        }
        const std::vector<std::string> written
            = released ? std::vector<std::string> { "one.3gp", "two.3gp" } : std::vector<std::string> {};
        EXPECT_EQ(FolderNames(session.outputFolder), written);
        EXPECT_TRUE(window.addFileBtn.enabled);
        EXPECT_FALSE(window.timer.Enabled());
        EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
    }
}

TEST_F(BatchStart, StopAndClosingWhileAStartWaitsForTheLockEndTheBatchAndTheProgram)
{
    LockHolder lock(db, 600, true);
    session.Convert();
    ASSERT_TRUE(session.RunUntil([&] { return WaitingForTheLock(); }));
    session.Stop();
    EXPECT_TRUE(window.addFileBtn.enabled);
    EXPECT_EQ(session.Phase(0), RowPhase::Stopped);
    EXPECT_FALSE(window.encoders.AnyBusy());
    // Nothing is tried again after Stop.
    session.loop.Drain(std::chrono::milliseconds(1500));
    EXPECT_EQ(session.Phase(0), RowPhase::Stopped);
    EXPECT_EQ(session.Phase(1), RowPhase::Waiting);

    window.jvEditCmdMsg.SetText("");
    session.Convert();
    ASSERT_TRUE(session.RunUntil([&] { return WaitingForTheLock(); }));
    window.Close();
    EXPECT_TRUE(RunsUntilQuit(session.loop, std::chrono::seconds(60)));
    EXPECT_EQ(window.runner.State(), TJvProcessState::psReady);
    EXPECT_EQ(FolderNames(session.outputFolder), std::vector<std::string> {});
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

// An output folder the user did not choose (the settings could not be read, the
// program's own folder could not be found) receives nothing, and nor does any other.
TEST_F(BatchStart, AnEmptyOrRelativeOutputFolderIsRefusedWithTheReason)
{
    WorkingDirectory here(dir.Path());
    fs::create_directory(dir.Path() / "out");
    for (const char* folder : { "", "out" }) {
        SCOPED_TRACE(folder);
        window.jvEditDir.SetText(folder);
        session.Convert();
        EXPECT_TRUE(window.addFileBtn.enabled);
        EXPECT_EQ(session.Phase(0), RowPhase::Waiting);
        EXPECT_NE(window.jvEditCmdMsg.Text().find("Output Directory"), std::string::npos) << window.jvEditCmdMsg.Text();
        ASSERT_TRUE(session.WaitUntilIdle(std::chrono::seconds(60)));
        EXPECT_TRUE(fs::is_empty(dir.Path() / "out"));
        // Where an empty folder would lead.
        EXPECT_FALSE(fs::exists("/one.3gp"));
        EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
        fs::remove("/one.3gp");
        fs::remove("/two.3gp");
    }
}

// The installed program's default output folder is made at the first conversion; a
// folder the user chose that is gone (a disk not plugged in) is not, and a default that
// cannot be made converts nothing and says why.
TEST_F(BatchStart, OnlyTheDefaultOutputFolderIsMadeAtTheFirstConversion)
{
    const std::string videos = (dir.Path() / "Videos" / "Ondrevo").string();
    const std::string belowAFile = (dir.Path() / "one.mp4" / "Ondrevo").string();
    const struct {
        const char* name;
        std::string folder;
        std::string defaultOutput;
        bool converts;
        const char* status; // how the status line begins, or nullptr
    } cases[] = {
        { "the user chose one that is gone", (dir.Path() / "unplugged" / "disk").string(), videos, false, nullptr },
        { "the default", videos, videos, true, nullptr },
        { "a default below a file", belowAFile, belowAFile, false, batch::kOutputFolderNotMadeStatus },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UseProgramFolder(session.programFolder, c.defaultOutput);
        window.jvEditDir.SetText(c.folder);
        session.Convert();
        ASSERT_TRUE(session.WaitUntilIdle(std::chrono::seconds(60)));
        EXPECT_EQ(fs::is_directory(c.folder), c.converts);
        EXPECT_EQ(fs::exists(c.folder + "/one.3gp") && fs::exists(c.folder + "/two.3gp"), c.converts);
        if (c.status) {
            EXPECT_EQ(window.jvEditCmdMsg.Text().rfind(c.status + c.folder + ": ", 0), 0u)
                << window.jvEditCmdMsg.Text();
        }
    }
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

// A settings file cut short: one report says what is wrong and what to do; the program
// goes on with what it can, converts nothing, writes nowhere and leaves the file as it was.
TEST(BatchStartDamaged, ADamagedSettingsFileIsReportedOnceAndEveryRowFailsWithTheReason)
{
    TempDir dir;
    ErrorReports reports;
    std::string bytes;
    ConversionSession session(dir, [&bytes](const std::string& db) {
        fs::resize_file(db, 36864);
        bytes = FileBytes(db);
    });
    ASSERT_EQ(reports.messages.size(), 1u);
    EXPECT_EQ(reports.messages[0].rfind("database disk image is malformed.", 0), 0u) << reports.messages[0];
    EXPECT_NE(reports.messages[0].find("LibFFmpeg.Dat"), std::string::npos) << reports.messages[0];
    // The steps after the failing one still ran.
    EXPECT_EQ(session.window.jvEditDir.Text(), session.outputFolder);
    EXPECT_EQ(session.window.filesAtOnceSpin.maximum, static_cast<int>(UsableCores()));

    session.Add(session.Clip("one.mp4", 1));
    session.Add(session.Clip("two.mp4", 1));
    session.Convert();
    ASSERT_TRUE(session.WaitUntilIdle(std::chrono::seconds(60)));
    for (int row : { 0, 1 }) {
        EXPECT_EQ(session.Phase(row), RowPhase::Failed) << row;
        EXPECT_NE(session.Reason(row).find("database disk image is malformed"), std::string::npos)
            << session.Reason(row);
    }
    EXPECT_EQ(FolderNames(session.outputFolder), std::vector<std::string> {});
    // Choices that cannot be kept bring no further box.
    session.Selector(1).UserPick(1);
    session.window.filesAtOnceSpin.UserSets(2);
    // "Existing output files" has its entries all the same, with none picked; a pick that
    // cannot be stored stays rather than falling back to Replace.
    EXPECT_EQ(session.window.existingOutputsCombo.ItemCount(), 3);
    EXPECT_EQ(session.window.existingOutputsCombo.ItemIndex(), -1);
    session.window.existingOutputsCombo.UserPick(1);
    EXPECT_EQ(session.window.existingOutputsCombo.ItemIndex(), 1);
    EXPECT_EQ(TFFmpegFunc().Choices().existing, ExistingOutputs::Skip);
    EXPECT_EQ(reports.messages.size(), 1u) << reports.messages.back();
    session.dataModule.Journal().Flush();
    EXPECT_TRUE(FileBytes(session.programFolder + "/LibFFmpeg.Dat") == bytes);
}

} // namespace
} // namespace ondrevo::testing
