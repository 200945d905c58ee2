// Convert runs the real encoder over every row in turn, chained through the cursor; Stop,
// a missing encoder, failing rows and rows that must not run are handled as a user
// would expect.

#include "conversion/Batch.h"
#include "app/ConversionTestSupport.h"
#include "conversion/CommandLine.h"
#include "conversion/PartialOutput.h"
#include "media/MediaInfoDll.h"
#include "process/TJvCreateProcess.h"
#include "support/Command.h"
#include "support/MediaClips.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>

namespace ondrevo::testing {
namespace {

namespace fs = std::filesystem;

class Batch : public ::testing::Test {
protected:
    Batch()
        : session(dir)
        , window(session.window)
    {
    }

    bool EditingButtonsEnabled() const
    {
        return window.addFileBtn.enabled && window.delFileBtn.enabled && window.clearFileBtn.enabled
            && window.convFileBtn.enabled && window.playBtn.enabled;
    }

    TempDir dir;
    ConversionSession session;
    MemoryMainWindow& window;
    ErrorReports reports;
};

TEST_F(Batch, ConvertsEveryRowInTurnWithAwkwardNamesSharedNamesAFailingRowAndAChoiceChangedMidway)
{
    // The media library shows the line break as " / ": the output takes the file's own name.
    const std::string odd = session.Clip("a dir/it's a \"\xc3\xbc\"\nclip.mp4", 2);
    const std::string garbage = (dir.Path() / "garbage.mp4").string();
    std::ofstream(garbage) << std::string(5000, 'x');
    const std::string first = session.Clip("one/clip.mp4", 2);
    const std::string second = session.Clip("two/clip.avi", 2);
    // One picture, no sound: its encoder prints no progress past the start.
    const std::string frame = (dir.Path() / "frame.mp4").string();
    GenerateClip(frame, 0.04, true, false);
    for (const auto& path : { odd, garbage, first, second, first, frame })
        session.Add(path);

    session.Convert();
    // Row 0 has started; a size chosen now applies from row 1 on.
    EXPECT_EQ(session.Phase(0), RowPhase::Converting);
    EXPECT_FALSE(EditingButtonsEnabled());
    EXPECT_TRUE(window.timer.Enabled());
    EXPECT_TRUE(window.sleepInhibitor.Held());
    session.Selector(3).UserPick(0); // 128x96

    ASSERT_TRUE(session.RunUntil([&] { return session.Phase(2) == RowPhase::Converting; }));
    EXPECT_EQ(session.Phase(0), RowPhase::Converted);
    EXPECT_EQ(session.Phase(1), RowPhase::Failed);
    EXPECT_EQ(session.Phase(3), RowPhase::Waiting);
    ASSERT_TRUE(session.WaitUntilIdle());

    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
    EXPECT_EQ(
        ProbeStreams(session.Output("it's a \"\xc3\xbc\"\nclip.3gp")), "mpeg4,video,176,144,15/1\naac,audio,44100,2");
    EXPECT_EQ(ProbeStreams(session.Output("clip.3gp")), "mpeg4,video,128,96,15/1\naac,audio,44100,2");
    EXPECT_EQ(ProbeStreams(session.Output("clip (2).3gp")), "mpeg4,video,128,96,15/1\naac,audio,44100,2");
    // The same file listed twice gets a name of its own, as a second file of that name does.
    EXPECT_EQ(ProbeStreams(session.Output("clip (3).3gp")), "mpeg4,video,128,96,15/1\naac,audio,44100,2");
    EXPECT_EQ(std::distance(fs::directory_iterator(session.outputFolder), fs::directory_iterator()), 5);

    for (int row : { 0, 2, 3, 4, 5 }) {
        EXPECT_EQ(session.Phase(row), RowPhase::Converted) << row;
        EXPECT_EQ(session.Reason(row), "") << row;
        EXPECT_EQ(session.Percent(row), "100%") << row;
    }
    // The failed row says why, in the encoder's words.
    EXPECT_EQ(session.Phase(1), RowPhase::Failed);
    EXPECT_NE(session.Reason(1).find("garbage.mp4"), std::string::npos) << session.Reason(1);
    // The window shows it so.
    EXPECT_EQ(session.Image(1), batch::kFailedImage);
    EXPECT_EQ(session.Hint(1), session.Reason(1));

    EXPECT_TRUE(EditingButtonsEnabled());
    EXPECT_EQ(window.jvEditNumb.Text(), "5");
    EXPECT_EQ(window.jvEditCmdMsg.Text(), "");
    EXPECT_FALSE(window.timer.Enabled());
    EXPECT_EQ(window.trayIcon.image, batch::kIdleTrayImage);
    EXPECT_FALSE(window.sleepInhibitor.Held());
    EXPECT_EQ(window.quitRequests, 0);
}

TEST_F(Batch, AOneRowBatchConvertsAgainWhenTheCursorAlreadyHoldsZero)
{
    session.Add(session.Clip("one.mp4", 1));
    for (int round = 0; round < 2; ++round) {
        fs::remove(session.Output("one.3gp"));
        session.Convert();
        EXPECT_EQ(session.Phase(0), RowPhase::Converting) << round;
        ASSERT_TRUE(session.WaitUntilIdle());
        EXPECT_EQ(session.Phase(0), RowPhase::Converted);
        EXPECT_TRUE(fs::exists(session.Output("one.3gp"))) << round;
        EXPECT_EQ(window.jvEditNumb.Text(), "0");
    }
    EXPECT_TRUE(reports.messages.empty());
}

TEST_F(Batch, StopLeavesAPlayablePartFileAndAConvertRightAfterWaitsForIt)
{
    session.EncodeUntilStopped();
    session.Add(session.Clip("long.mp4", 10));
    session.Add(session.Clip("short.mp4", 1));
    session.Convert();
    ASSERT_TRUE(session.RunUntil([&] { return session.Percent(0) != "0%"; }));

    const std::string percent = session.Percent(0);
    session.Stop();
    EXPECT_EQ(session.Percent(0), percent);
    EXPECT_NE(window.jvEditCmdMsg.Text().find("\"Convert remaining rows\" in the list's menu"), std::string::npos);
    EXPECT_EQ(session.Image(0), batch::kEndedImage);
    EXPECT_EQ(session.Phase(0), RowPhase::Stopped);
    EXPECT_EQ(session.Phase(1), RowPhase::Waiting);
    EXPECT_TRUE(EditingButtonsEnabled());
    EXPECT_FALSE(window.timer.Enabled());
    EXPECT_EQ(window.trayIcon.image, batch::kIdleTrayImage);
    EXPECT_EQ(window.jvEditNumb.Text(), "0");

    // The stopped encoder is still finishing its file: the batch waits for its slot. The
    // stopped encoder's end keeps its part under the final name, and the row then runs.
    const pid_t stopped = window.runner.ProcessId();
    session.Convert();
    EXPECT_TRUE(reports.messages.empty());
    EXPECT_FALSE(EditingButtonsEnabled());
    ASSERT_TRUE(session.RunUntil(
        [&] { return window.runner.State() == TJvProcessState::psWaiting && window.runner.ProcessId() != stopped; }));
    EXPECT_EQ(session.Phase(0), RowPhase::Converting);
    const double part = ProbeDuration(session.Output("long.3gp"));
    EXPECT_GT(part, 0.0);
    EXPECT_LT(part, 10.0);
    session.Stop();
    ASSERT_TRUE(session.WaitUntilIdle());
    EXPECT_EQ(session.Phase(1), RowPhase::Waiting);
    EXPECT_TRUE(reports.messages.empty());
}

TEST_F(Batch, EveryOutputIsWrittenThroughToTheDiskBeforeItTakesItsName)
{
    std::mutex mutex;
    std::vector<std::pair<std::string, std::string>> calls;
    PartialOutput::SetCallRecorder([&](const std::string& call, const std::string& path) {
        std::lock_guard lock(mutex);
        calls.emplace_back(call, path);
    });
    // A whole conversion, and a stopped one whose part is kept.
    session.Add(session.Clip("whole.mp4", 1));
    session.Convert();
    ASSERT_TRUE(session.WaitUntilIdle());
    session.EncodeUntilStopped();
    session.Convert();
    ASSERT_TRUE(session.RunUntil([&] { return session.Percent(0) != "0%"; }));
    session.Stop();
    ASSERT_TRUE(session.WaitUntilIdle());
    PartialOutput::SetCallRecorder({});

    std::lock_guard lock(mutex);
    int renames = 0;
    for (auto call = calls.begin(); call != calls.end(); ++call) {
        if (call->first != "rename")
            continue;
        ++renames;
        const std::pair<std::string, std::string> synced { "sync", call->second };
        EXPECT_NE(std::find(calls.begin(), call, synced), call) << call->second << " renamed before it was synced";
    }
    EXPECT_EQ(renames, 2);
}

TEST_F(Batch, AnEncoderProgramUnfitForTheChoicesFailsTheFirstRowWithTheReasonAndTheBatchEnds)
{
    session.Add(session.Clip("one.mp4", 1));
    session.Add(session.Clip("two.mp4", 1));
    session.Add(session.Clip("three.mp4", 1));
    const std::string program = session.programFolder + "/bin/ffmpeg";
    // bin/ffmpeg as a script around the real encoder whose list of encoders leaves some out.
    const auto without = [&](const std::string& encoders) {
        fs::remove(program);
        WriteScript(program,
            "if [ \"$2\" = -encoders ]; then " ONDREVO_FFMPEG " \"$@\" | grep -Ev ' (" + encoders
                + ") '; exit 0; fi; exec " ONDREVO_FFMPEG " \"$@\"");
    };
    struct Row {
        const char* what;
        std::function<void()> prepare;
        int videoCodec, audioCodec, atOnce;
        std::string reason; // "": every row converts
        int videoSize = 1; // 176x144
    } rows[] = {
        { "no bin/ffmpeg", [&] { fs::remove(program); }, 1, 0, 1, program + ": No such file or directory" },
        { "no AAC encoder", [&] { without("aac"); }, 1, 0, 1,
            "This ffmpeg has no encoder aac, which Audio Codec \"AAC-LC\" needs" },
        { "no MPEG-4 encoder, two at once", [&] { without("mpeg4"); }, 1, 0, 2,
            "This ffmpeg has no encoder mpeg4, which Video Codec \"MPEG-4 Visual\" needs" },
        { "no H.264 nor AAC encoder", [&] { without("libx264|aac"); }, 2, 0, 1,
            "This ffmpeg has no encoder libx264, which Video Codec \"H.264 Baseline\" needs" },
        { "no AMR-NB encoder", [&] { without("libopencore_amrnb"); }, 0, 2, 1,
            "This ffmpeg has no encoder libopencore_amrnb, which Audio Codec \"AMR-NB\" needs; install the package "
            "libavcodec-extra" },
        { "no AMR encoders, AMR-WB chosen, two at once", [&] { without("libopencore_amrnb|libvo_amrwbenc"); }, 1, 3, 2,
            "This ffmpeg has no encoder libvo_amrwbenc, which Audio Codec \"AMR-WB\" needs; install the package "
            "libavcodec-extra" },
        // H.263 and a phone screen's size: refused before any encoder runs.
        { "H.263 at 160x120 with AMR-NB, two at once",
            [&] {
                fs::remove(program);
                fs::create_symlink(ONDREVO_FFMPEG, program);
            },
            0, 2, 2,
            "H.263 encodes only 128x96, 176x144, 352x288, 704x576 and 1408x1152: Video Size \"160x120 (QQVGA)\" needs "
            "another Video Codec, \"MPEG-4 Visual\" or \"H.264 Baseline\"",
            5 },
        // Silent files need no audio encoder.
        { "no AAC encoder, no audio chosen", [&] { without("aac"); }, 1, 1, 2, "" },
        // H.263 cannot write a phone screen's size, whatever the encoder program has.
        { "H.263 at 320x240", [&] { without("aac"); }, 0, 0, 1,
            "H.263 encodes only 128x96, 176x144, 352x288, 704x576 and 1408x1152: Video Size \"320x240 (QVGA)\" needs "
            "another Video Codec, \"MPEG-4 Visual\" or \"H.264 Baseline\"",
            6 },
        // A list that cannot be read leaves each row to find out for itself.
        { "no list of encoders",
            [&] {
                fs::remove(program);
                WriteScript(program, "[ \"$2\" = -encoders ] && exit 1; exec " ONDREVO_FFMPEG " \"$@\"");
            },
            1, 0, 1, "" },
        { "the real encoder",
            [&] {
                fs::remove(program);
                fs::create_symlink(ONDREVO_FFMPEG, program);
            },
            0, 0, 2, "" },
        { "the real encoder, MPEG-4 with AMR-NB at 320x240",
            [&] {
                fs::remove(program);
                fs::create_symlink(ONDREVO_FFMPEG, program);
            },
            1, 2, 2, "", 6 },
    };
    for (const Row& row : rows) {
        row.prepare();
        session.Selector(1).UserPick(row.videoCodec);
        session.Selector(3).UserPick(row.videoSize);
        session.Selector(6).UserPick(row.audioCodec);
        window.filesAtOnceSpin.SetRange(1, 2);
        window.filesAtOnceSpin.SetValue(row.atOnce);
        for (const fs::directory_entry& entry : fs::directory_iterator(session.outputFolder))
            fs::remove(entry.path());
        const std::vector<RowPhase> phasesBefore = { session.Phase(1), session.Phase(2) };
        session.Convert();
        ASSERT_TRUE(session.WaitUntilIdle(std::chrono::seconds(60))) << row.what;
        EXPECT_TRUE(EditingButtonsEnabled()) << row.what;
        EXPECT_FALSE(window.timer.Enabled()) << row.what;
        EXPECT_FALSE(window.sleepInhibitor.Held()) << row.what;
        if (row.reason.empty()) {
            for (int r : { 0, 1, 2 }) {
                EXPECT_EQ(session.Phase(r), RowPhase::Converted) << row.what << " " << r;
                EXPECT_EQ(session.Reason(r), "") << row.what << " " << r;
            }
            EXPECT_EQ(
                FolderNames(session.outputFolder), (std::vector<std::string> { "one.3gp", "three.3gp", "two.3gp" }))
                << row.what;
            continue;
        }
        // The first row says why; the others stay as they were, as after any batch that
        // ended early.
        EXPECT_EQ(session.Phase(0), RowPhase::Failed) << row.what;
        EXPECT_EQ(session.Reason(0), row.reason) << row.what;
        for (int r : { 1, 2 }) {
            EXPECT_EQ(session.Phase(r), phasesBefore[static_cast<std::size_t>(r - 1)]) << row.what << " " << r;
            EXPECT_EQ(session.Reason(r), "") << row.what << " " << r;
        }
        EXPECT_EQ(window.jvEditCmdMsg.Text(), "Conversion stopped: " + row.reason) << row.what;
        EXPECT_TRUE(fs::is_empty(session.outputFolder)) << row.what;
    }
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

TEST_F(Batch, AnOutputNeverReplacesASourceOfTheListAndANamedPipeIsNotConverted)
{
    // A 3 s file in the output folder, listed after a 1 s source of the same name and
    // under other spellings: a doubled slash, "./", "..", a symbolic and a hard link
    // elsewhere.
    const std::string kept = session.Output("kept.3gp");
    GenerateClip(kept, 3, true, true, "-c:v mpeg4 -s 176x144 -c:a aac");
    const std::string before = FileBytes(kept);
    fs::create_directories(dir.Path() / "soft");
    fs::create_directories(dir.Path() / "hard");
    fs::create_symlink(kept, dir.Path() / "soft" / "kept.3gp");
    fs::create_hard_link(kept, dir.Path() / "hard" / "kept.3gp");
    const std::string other = session.Clip("src/kept.mp4", 1);
    window.checkBox.checked = true;
    window.loginManager.canPowerOff = "no";

    for (const std::string& spelling : { kept, session.outputFolder + "//kept.3gp",
             session.outputFolder + "/./kept.3gp", session.outputFolder + "/../FFOutput/kept.3gp",
             (dir.Path() / "soft" / "kept.3gp").string(), (dir.Path() / "hard" / "kept.3gp").string() }) {
        session.Event([](TFFmpegFrmHandlers& h) { h.ClearFileBtnClick(); });
        session.Add(other);
        session.Add(spelling);
        session.Convert();
        ASSERT_TRUE(session.WaitUntilIdle());
        EXPECT_TRUE(FileBytes(kept) == before) << spelling;
        for (int row : { 0, 1 }) {
            EXPECT_EQ(session.Phase(row), RowPhase::Converted) << spelling;
            EXPECT_EQ(session.Reason(row), "") << spelling;
        }
        // The next free numbers, row by row; the listed file converts as any other.
        EXPECT_NEAR(ProbeDuration(session.Output("kept (2).3gp")), 1.0, 0.2) << spelling;
        EXPECT_NEAR(ProbeDuration(session.Output("kept (3).3gp")), 3.0, 0.2) << spelling;
    }
    EXPECT_EQ(
        FolderNames(session.outputFolder), (std::vector<std::string> { "kept (2).3gp", "kept (3).3gp", "kept.3gp" }));

    // A named pipe would keep the encoder waiting for a writer for ever: refused at its
    // start with the reason. Such a row ends on the loop like an encoder, never inside
    // Convert (a long list of them would grow the stack); Stop and Convert before that
    // end arrives leave it behind.
    const std::string pipe = dir.File("pipe.mp4");
    fs::copy_file(other, pipe);
    session.Event([](TFFmpegFrmHandlers& h) { h.ClearFileBtnClick(); });
    session.Add(pipe);
    session.Add(other);
    fs::remove(pipe); // replaced by a named pipe once in the list
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    session.Convert();
    EXPECT_EQ(session.Phase(0), RowPhase::Converting);
    EXPECT_EQ(session.Phase(1), RowPhase::Waiting);
    session.Stop();
    session.Convert();
    ASSERT_TRUE(session.WaitUntilIdle(std::chrono::seconds(60)));
    EXPECT_EQ(session.Phase(0), RowPhase::Failed);
    EXPECT_EQ(session.Reason(0), "Not converted: " + pipe + " is a named pipe, not a file");
    EXPECT_EQ(session.Phase(1), RowPhase::Converted);
    // Power-off was not allowed: the program ends instead, and the machine stays on.
    const std::vector<std::string> lastBatch(window.loginManager.calls.end() - 5, window.loginManager.calls.end());
    EXPECT_EQ(lastBatch,
        (std::vector<std::string> { "Connect", "Inhibit sleep:idle block", "Connect", "CanPowerOff", "PowerOff" }));
    EXPECT_GE(window.quitRequests, 1);

    // An output folder that does not exist: the first row fails with the reason, and the
    // batch stops there, since every later row would fail the same way.
    window.checkBox.checked = false;
    window.jvEditDir.SetText((dir.Path() / "missing").string());
    session.Event([](TFFmpegFrmHandlers& h) { h.ClearFileBtnClick(); });
    session.Add(other);
    session.Add(other);
    session.Convert();
    ASSERT_TRUE(session.WaitUntilIdle());
    EXPECT_EQ(session.Phase(0), RowPhase::Failed);
    EXPECT_NE(session.Reason(0).find("No such file or directory"), std::string::npos) << session.Reason(0);
    EXPECT_EQ(session.Phase(1), RowPhase::Waiting);
    EXPECT_NE(window.jvEditCmdMsg.Text().find("No such file or directory"), std::string::npos);
    EXPECT_TRUE(EditingButtonsEnabled());

    // A folder in the way of the finished file's name: the rename fails, and so does the
    // row; the folder stays as it was, nothing else is left, and the next row converts.
    window.jvEditDir.SetText(session.outputFolder);
    session.Event([](TFFmpegFrmHandlers& h) { h.ClearFileBtnClick(); });
    fs::create_directories(session.Output("blocked.3gp") + "/inside");
    session.Add(session.Clip("src/blocked.mp4", 1));
    session.Add(session.Clip("after.mp4", 1));
    session.Convert();
    ASSERT_TRUE(session.WaitUntilIdle());
    EXPECT_EQ(session.Phase(0), RowPhase::Failed);
    EXPECT_EQ(session.Reason(0), session.Output("blocked.3gp") + ": Is a directory");
    EXPECT_TRUE(fs::is_directory(session.Output("blocked.3gp") + "/inside"));
    EXPECT_EQ(session.Phase(1), RowPhase::Converted);
    for (const auto& entry : fs::directory_iterator(session.outputFolder))
        EXPECT_FALSE(PartialOutput::IsPartialName(entry.path().filename().string())) << entry.path();
    EXPECT_TRUE(reports.messages.empty());
}

TEST_F(Batch, AFailedReconversionLeavesTheEarlierOutputAndNoTemporaryFileBehind)
{
    // A faststart source cut at 30 %: the encoder converts what it can read and ends
    // with 0. Bytes no format reads (random ones are now and then taken for MP3 frames):
    // the encoder fails.
    const std::string cut = session.Clip("cut.mp4", 8, "-movflags +faststart");
    fs::resize_file(cut, fs::file_size(cut) * 3 / 10);
    const std::string noise = dir.File("noise.mp4");
    for (std::ofstream file(noise); file.tellp() < 60000;)
        file << "this is not a video\n";
    for (const char* earlier : { "cut.3gp", "noise.3gp" })
        GenerateClip(session.Output(earlier), 1, true, true, "-c:v mpeg4 -s 176x144 -c:a aac");
    const std::string cutBefore = FileBytes(session.Output("cut.3gp"));
    const std::string noiseBefore = FileBytes(session.Output("noise.3gp"));
    // Left by a killed run, and one another running copy still holds.
    std::ofstream(session.Output(".old.3gp.4242.ondrevo-part")) << "partial";
    const int held
        = ::open(session.Output(".held.3gp.4243.ondrevo-part").c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    session.Add(cut);
    session.Add(noise);
    window.fileList.rows[1].subItems[3] = "100%"; // from an earlier run
    session.Convert();
    ASSERT_TRUE(session.WaitUntilIdle());
    ::close(held);

    EXPECT_EQ(session.Phase(0), RowPhase::Failed);
    EXPECT_NE(session.Reason(0).find(" of 8.0 s were converted"), std::string::npos) << session.Reason(0);
    EXPECT_EQ(session.Phase(1), RowPhase::Failed);
    EXPECT_EQ(session.Percent(1), "0%");
    EXPECT_NE(session.Reason(1).find("Invalid data found"), std::string::npos) << session.Reason(1);
    EXPECT_EQ(FileBytes(session.Output("cut.3gp")), cutBefore);
    EXPECT_EQ(FileBytes(session.Output("noise.3gp")), noiseBefore);
    EXPECT_EQ(FolderNames(session.outputFolder),
        (std::vector<std::string> { ".held.3gp.4243.ondrevo-part", "cut.3gp", "noise.3gp" }));
    EXPECT_TRUE(reports.messages.empty());
}

TEST_F(Batch, ASourceCutShortFailsWhateverItsNameAndWithoutTheMediaLibrary)
{
    RealMediaLibrary restore;
    // A faststart source cut at half under a Latin-1 name, which the media library cannot
    // open by its path.
    const std::string cut = session.Clip("cut-caf\xe9.mp4", 10, "-movflags +faststart");
    fs::resize_file(cut, fs::file_size(cut) / 2);
    const std::string earlier = session.Output("cut-caf\xe9.3gp");
    GenerateClip(earlier, 1, true, true, "-c:v mpeg4 -s 176x144 -c:a aac");
    const std::string before = FileBytes(earlier);
    session.Add(cut);
    EXPECT_EQ(session.PlayingMilliseconds(0) / 1000, 10);

    // Then with no media library at all: the encoder's reading of the source's length
    // decides.
    for (const char* library : { kMediaInfoLibraryName, "libondrevo-no-such-library.so.0" }) {
        SetMediaInfoLibraryNameForTesting(library);
        session.Convert();
        ASSERT_TRUE(session.WaitUntilIdle());
        EXPECT_EQ(session.Phase(0), RowPhase::Failed) << library;
        EXPECT_NE(session.Reason(0).find(" of 10.0 s were converted"), std::string::npos) << session.Reason(0);
        EXPECT_TRUE(FileBytes(earlier) == before) << library;
    }
    EXPECT_TRUE(reports.messages.empty());
}

TEST_F(Batch, ASourceThatGrowsWhileItIsReadIsConvertedAsFarAsItWentAndSaysSo)
{
    // A recording being written: 3 s when added, 6 s by the time the encoder reads it.
    const std::string source = dir.File("recording.ts");
    const std::string more = dir.File("more.ts");
    GenerateClip(source, 3);
    GenerateClip(more, 3, true, true, "-output_ts_offset 3");
    session.Add(source);
    WriteScript(session.programFolder + "/bin/ffmpeg",
        "cat " + ShellQuote(more) + " >> " + ShellQuote(source) + "\nexec " ONDREVO_FFMPEG " \"$@\"");
    session.Convert();
    ASSERT_TRUE(session.WaitUntilIdle());
    EXPECT_EQ(session.Phase(0), RowPhase::Converted);
    EXPECT_EQ(session.Percent(0), "100%");
    EXPECT_EQ(session.Reason(0).rfind("The source grew while it was read", 0), 0u) << session.Reason(0);
    EXPECT_GT(ProbeDuration(session.Output("recording.3gp")), 5.5);
    EXPECT_TRUE(reports.messages.empty());
}

TEST_F(Batch, NamesAtTheFileSystemsLimitAreShortenedAndRelativePathsWithAColonStayFiles)
{
    WorkingDirectory here(dir.Path());
    const std::string longName(251, 'n');
    const std::string first = session.Clip("one/" + longName + ".mp4", 1);
    const std::string second = session.Clip("two/" + longName + ".mp4", 1);
    // Relative names with a colon would read as a protocol ("rtmp:").
    session.Clip("rtmp:clip.mp4", 1);
    fs::create_directories(dir.Path() / "rtmp:out");
    GenerateClip((dir.Path() / "rtmp:out" / "kept.3gp").string(), 1, true, true, "-c:v mpeg4 -s 176x144 -c:a aac");
    window.jvEditDir.SetText((dir.Path() / "rtmp:out").string());
    // A name just as long as the folder takes is kept whole.
    const std::string longest(command_line::OutputNameLimit((dir.Path() / "rtmp:out").string()), 'm');
    const std::string third = session.Clip("three/" + longest + ".mp4", 1);
    for (const std::string& path :
        { first, second, std::string("rtmp:clip.mp4"), std::string("rtmp:out/kept.3gp"), third })
        session.Add(path);
    session.Convert();
    ASSERT_TRUE(session.WaitUntilIdle());

    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(session.Phase(row), RowPhase::Converted) << session.Reason(row);
    const std::vector<std::string> names = FolderNames((dir.Path() / "rtmp:out").string());
    ASSERT_EQ(names.size(), 6u);
    EXPECT_EQ(names[0], "kept (2).3gp");
    EXPECT_EQ(names[1], "kept.3gp");
    EXPECT_EQ(names[2], longest + ".3gp");
    EXPECT_EQ(names[5], "rtmp:clip.3gp");
    EXPECT_NE(names[3], names[4]);
    for (const std::string& name : { names[3], names[4] }) {
        EXPECT_LE(name.size(), 255u - PartialOutput::kNameOverhead) << name;
        EXPECT_GT(ProbeDuration((dir.Path() / "rtmp:out" / name).string()), 0.5) << name;
    }
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

TEST_F(Batch, AFullDiskStopsTheBatchAtTheFirstRowThatMeetsItAndKeepsTheEarlierOutput)
{
    // A small file system of its own for the output folder; mounting needs privilege.
    const fs::path disk = dir.Path() / "disk";
    fs::create_directories(disk);
    if (Shell("mount -t tmpfs -o size=2m ondrevo-test " + ShellQuote(disk.string()) + " 2>/dev/null") != 0)
        GTEST_SKIP() << "cannot mount a small file system here";
    struct Unmount {
        fs::path at;
        ~Unmount() { Shell("umount " + ShellQuote(at.string())); }
    } unmount { disk };
    const std::string earlier = (disk / "big 0.3gp").string();
    GenerateClip(earlier, 1, true, true, "-c:v mpeg4 -s 176x144 -c:a aac");
    const std::string before = FileBytes(earlier);
    // Leaves about 150 KB free.
    Shell("head -c $(( $(df --output=avail -B1 " + ShellQuote(disk.string()) + " | tail -1) - 150000 )) /dev/zero > "
        + ShellQuote((disk / "filler").string()));
    window.jvEditDir.SetText(disk.string());
    window.checkBox.checked = true;
    for (const char* name : { "big 0.mp4", "big 1.mp4", "big 2.mp4" })
        session.Add(session.Clip(name, 6));
    session.Selector(3).UserPick(4); // 1408x1152: large enough to fill the disk
    session.Convert();
    ASSERT_TRUE(session.WaitUntilIdle());

    EXPECT_EQ(session.Phase(0), RowPhase::Failed);
    EXPECT_NE(session.Reason(0).find("No space left on device"), std::string::npos) << session.Reason(0);
    EXPECT_EQ(session.Phase(1), RowPhase::Waiting);
    EXPECT_EQ(session.Phase(2), RowPhase::Waiting);
    EXPECT_NE(window.jvEditCmdMsg.Text().find("No space left on device"), std::string::npos);
    EXPECT_TRUE(EditingButtonsEnabled());
    EXPECT_FALSE(window.timer.Enabled());
    // Not the end of a whole batch: no power-off.
    EXPECT_EQ(window.loginManager.calls, (std::vector<std::string> { "Connect", "Inhibit sleep:idle block" }));
    EXPECT_EQ(FileBytes(earlier), before);
    EXPECT_EQ(FolderNames(disk.string()), (std::vector<std::string> { "big 0.3gp", "filler" }));

    // No room even for the file's header: the reason is still the line that says why,
    // not the encoder's summary after it.
    Shell("cat /dev/zero >> " + ShellQuote((disk / "filler").string()) + " 2>/dev/null");
    session.Convert();
    ASSERT_TRUE(session.WaitUntilIdle());
    EXPECT_EQ(session.Phase(0), RowPhase::Failed);
    EXPECT_NE(session.Reason(0).find("No space left on device"), std::string::npos) << session.Reason(0);
    EXPECT_EQ(session.Phase(1), RowPhase::Waiting);
    EXPECT_EQ(FileBytes(earlier), before);
    EXPECT_TRUE(reports.messages.empty());
}

TEST_F(Batch, AnEncoderThatIgnoresTheStopCommandIsEndedSoConvertWorksAgain)
{
    session.Add(session.Clip("one.mp4", 1));
    WriteScript(session.programFolder + "/bin/ffmpeg", "exec sleep 600");
    session.Convert();
    session.Stop();
    // Ended some seconds after the stop command; its end starts nothing.
    ASSERT_TRUE(
        session.RunUntil([&] { return window.runner.State() == TJvProcessState::psReady; }, std::chrono::seconds(90)));
    EXPECT_EQ(session.Phase(0), RowPhase::Stopped);
    EXPECT_TRUE(EditingButtonsEnabled());
    session.Convert();
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
    session.Stop();
}

TEST(BatchClosing, ClosingTheWindowDuringABatchLetsTheEncoderFinishAPlayableFile)
{
    TempDir dir;
    auto session = std::make_unique<ConversionSession>(dir);
    session->EncodeUntilStopped();
    const std::string clip = dir.File("long.mp4");
    GenerateClip(clip, 10);
    session->Add(clip);
    session->Convert();
    ASSERT_TRUE(session->RunUntil([&] { return session->Percent(0) != "0%"; }));
    const pid_t encoder = session->window.runner.ProcessId();
    const std::string output = session->outputFolder + "/long.3gp";

    // The window closes; the program ends once the encoder has finished its file after
    // "q" and the part it wrote is kept under the final name.
    session->window.Close();
    session->loop.Run();
    EXPECT_EQ(session->window.runner.State(), TJvProcessState::psReady);
    EXPECT_NE(::kill(encoder, 0), 0) << "the encoder is still running";
    session.reset();
    const double part = ProbeDuration(output);
    EXPECT_GT(part, 0.0);
    EXPECT_LT(part, 10.0);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path() / "program" / "FFOutput"), fs::directory_iterator()), 1);
}

} // namespace
} // namespace ondrevo::testing
