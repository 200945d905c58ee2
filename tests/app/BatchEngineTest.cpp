// The batch engine through its view: events in (Convert, Stop, the encoders' ends), and
// the exact sequence of what the view is told out. The real encoder and settings file;
// the percent, the status line and the batch's bar, which come as often as the encoder
// prints, are left out of the sequence.

#include "app/ConversionTestSupport.h"

#include "app/TFFmpegFunc.h"
#include "conversion/Batch.h"
#include "conversion/BatchEngine.h"
#include "support/DatabaseFiles.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <utility>

namespace ondrevo::testing {
namespace {

const char* Name(RowPhase phase)
{
    return PhaseName(phase);
}

class Recorder : public IBatchView {
public:
    void BatchStarted() override { told.push_back("started"); }
    void RowStarted(int row, std::size_t slot) override
    {
        told.push_back("row " + std::to_string(row) + " on " + std::to_string(slot));
    }
    void RowPhaseChanged(int row, RowPhase phase, const std::string& reason) override
    {
        told.push_back("row " + std::to_string(row) + " " + Name(phase) + (reason.empty() ? "" : ": " + reason));
    }
    void RowPercent(int, int percent) override { lastPercent = percent; }
    void RowFacts(int row, const SourceFacts& facts) override
    {
        told.push_back("facts " + std::to_string(row) + (facts.known ? "" : " unknown"));
        lastFacts = facts;
    }
    void RowLength(int row, long long, long long) override { told.push_back("length " + std::to_string(row)); }
    void Status(const std::string& text) override
    {
        if (text.rfind("frame=", 0) != 0 && text.rfind("size=", 0) != 0)
            told.push_back("status " + text);
    }
    void BatchProgress(int, const std::string&) override { }
    void BatchPaused(bool paused) override { told.push_back(paused ? "paused" : "resumed"); }
    void BatchEnded(const BatchEnd& end) override
    {
        told.push_back(std::string("ended ") + (end.complete ? end.summary : "early") + (end.status.empty() ? "" : ": ")
            + end.status);
    }
    void EncoderEnded(std::size_t slot, bool anyBusy) override
    {
        told.push_back("encoder " + std::to_string(slot) + " ended" + (anyBusy ? ", another runs" : ""));
    }

    std::vector<std::string> told;
    int lastPercent = -1;
    SourceFacts lastFacts;
};

class BatchEngineTold : public ::testing::Test {
protected:
    BatchEngineTold()
    {
        engine.SetView(&recorder);
        choices = TFFmpegFunc().Choices();
    }
    ~BatchEngineTold() override { engine.SetView(nullptr); }

    // Runs the engine until no batch runs and no encoder is busy.
    bool Idle()
    {
        return session.RunUntil([&] { return !engine.Model().Running() && !engine.Encoders().AnyBusy(); });
    }
    std::vector<std::string> Told() { return std::exchange(recorder.told, {}); }

    TempDir dir;
    ErrorReports reports;
    ConversionSession session { dir };
    BatchEngine& engine = session.window.Engine();
    Recorder recorder;
    BatchChoices choices;
};

TEST_F(BatchEngineTold, EachStartAndEndIsToldInTheOrderItHappened)
{
    const std::string clip = session.Clip("a.mp4", 0.5);
    std::filesystem::create_directories(dir.File("folder.mp4"));
    struct Step {
        const char* what;
        std::string source; // the one row's file
        ExistingOutputs existing;
        std::string outputFolder; // "" for the session's
        std::vector<std::string> told;
    } const steps[] = {
        { "an output folder that is no full path", clip, ExistingOutputs::Replace, "FFOutput",
            { std::string("status ") + batch::kNoOutputFolderStatus } },
        { "a folder for a source: refused, its facts told after", dir.File("folder.mp4"), ExistingOutputs::Replace, "",
            { "started", "row 0 converting", "row 0 on 0", "facts 0",
                "row 0 failed: Not converted: " + dir.File("folder.mp4") + " is a folder, not a file",
                "ended 0 files converted, 1 failed", "encoder 0 ended" } },
        { "a clip converted: its facts once the encoder runs", clip, ExistingOutputs::Replace, "",
            { "started", "row 0 converting", "row 0 on 0", "facts 0", "row 0 converted", "ended 1 file converted",
                "encoder 0 ended" } },
        { "skipped: the facts read first, since the length decides", clip, ExistingOutputs::Skip, "",
            { "started", "row 0 converting", "row 0 on 0", "facts 0", "row 0 converted: Skipped: a.3gp already exists",
                "ended 0 files converted, 1 skipped", "encoder 0 ended" } },
    };
    for (const Step& step : steps) {
        engine.Model().Clear();
        engine.Model().Append(step.source, 500);
        BatchChoices chosen = choices;
        chosen.existing = step.existing;
        if (!step.outputFolder.empty())
            chosen.outputFolder = step.outputFolder;
        engine.SetChoices(chosen);
        engine.Convert(RunScope::Whole);
        ASSERT_TRUE(Idle()) << step.what;
        EXPECT_EQ(Told(), step.told) << step.what;
    }
    EXPECT_EQ(recorder.lastPercent, 100);
    EXPECT_TRUE(reports.messages.empty());
}

TEST_F(BatchEngineTold, AStopTellsTheRowStoppedAndTheBatchEndedBeforeTheEncoderHasEnded)
{
    session.EncodeUntilStopped();
    engine.Model().Append(session.Clip("a.mp4", 2), 2000);
    engine.Model().Append(session.Clip("b.mp4", 2), 2000);
    engine.SetChoices(choices);
    engine.Convert(RunScope::Whole);
    ASSERT_TRUE(session.RunUntil([&] { return recorder.lastPercent > 0; }));
    engine.Stop();
    EXPECT_EQ(Told(),
        (std::vector<std::string> { "started", "row 0 converting", "row 0 on 0", "facts 0", "row 0 stopped",
            std::string("ended early: Stopped. ") + batch::kGoOnHint + "." }));
    ASSERT_TRUE(Idle());
    // The encoder's end keeps the part; the row not started stays as it was.
    EXPECT_EQ(Told(), (std::vector<std::string> { "row 0 stopped", "encoder 0 ended" }));
    EXPECT_EQ(engine.Model().Row(1).phase, RowPhase::Waiting);
    EXPECT_TRUE(std::filesystem::exists(session.Output("a.3gp")));
}

// Facts read when a source was listed stand for it while its file is unchanged; a file
// written since is read again, and so is one under Skip, whose facts decide.
TEST_F(BatchEngineTold, AStartTakesTheFactsASourceWasListedWithOnlyWhileItsFileIsUnchanged)
{
    const std::string clip = session.Clip("a.mp4", 0.5);
    ListedFacts listed = ListFacts(clip);
    ASSERT_TRUE(listed.facts.known);
    listed.facts.details[1] = "as listed";
    engine.RememberListedFacts(clip, listed);
    engine.Model().Append(clip, 500);
    struct Case {
        const char* what;
        bool touch;
        ExistingOutputs existing;
        bool listedTaken;
    } const cases[] = {
        { "unchanged", false, ExistingOutputs::Replace, true },
        { "unchanged, under Skip", false, ExistingOutputs::Skip, true },
        { "written since", true, ExistingOutputs::Replace, false },
    };
    for (const Case& c : cases) {
        if (c.touch)
            std::filesystem::last_write_time(clip, std::filesystem::last_write_time(clip) + std::chrono::seconds(5));
        BatchChoices chosen = choices;
        chosen.existing = c.existing;
        engine.SetChoices(chosen);
        engine.Convert(RunScope::Whole);
        ASSERT_TRUE(Idle()) << c.what;
        EXPECT_EQ(recorder.lastFacts.details[1] == "as listed", c.listedTaken) << c.what;
        EXPECT_TRUE(recorder.lastFacts.known) << c.what;
        EXPECT_TRUE(std::filesystem::exists(session.Output("a.3gp"))) << c.what;
    }
    EXPECT_TRUE(reports.messages.empty());
}

// A start waits for a settings file another program holds on the engine's worker
// thread: the loop goes on meanwhile, and a Stop then gives the start up for good.
TEST_F(BatchEngineTold, AStartWaitingForAHeldSettingsFileLeavesTheLoopFreeAndAStopGivesItUp)
{
    session.dataModule.SetBusyTimeout(std::chrono::seconds(30));
    engine.Model().Append(session.Clip("a.mp4", 0.5), 500);
    engine.SetChoices(choices);
    for (const bool stop : { true, false }) {
        SCOPED_TRACE(stop ? "stopped while it waits" : "released");
        LockHolder lock(session.programFolder + "/LibFFmpeg.Dat", 600, true);
        engine.Convert(RunScope::Whole);
        bool ran = false;
        session.loop.Post([&] { ran = true; });
        // Returned, the row shown converting, and the loop runs: a start read on this
        // thread would have waited out the 30 s lock before any of it.
        ASSERT_TRUE(session.RunUntil([&] { return ran; }, std::chrono::seconds(10)));
        EXPECT_EQ(Told(), (std::vector<std::string> { "started", "row 0 converting", "row 0 on 0" }));
        EXPECT_TRUE(engine.Preparing());
        if (stop) {
            engine.Stop();
            lock.Release();
            ASSERT_TRUE(Idle());
            session.loop.Drain(std::chrono::milliseconds(300));
            EXPECT_EQ(Told(),
                (std::vector<std::string> {
                    "row 0 stopped", std::string("ended early: Stopped. ") + batch::kGoOnHint + "." }));
            EXPECT_FALSE(std::filesystem::exists(session.Output("a.3gp")));
            EXPECT_FALSE(engine.Preparing());
        } else {
            lock.Release();
            ASSERT_TRUE(Idle());
            EXPECT_EQ(Told(),
                (std::vector<std::string> {
                    "facts 0", "row 0 converted", "ended 1 file converted", "encoder 0 ended" }));
            EXPECT_TRUE(std::filesystem::exists(session.Output("a.3gp")));
        }
    }
    EXPECT_TRUE(reports.messages.empty());
}

} // namespace
} // namespace ondrevo::testing
