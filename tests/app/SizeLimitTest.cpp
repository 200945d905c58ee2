// "Largest file size" and "Cut to fit": kept in their own table, typed sizes checked,
// and batches with the real encoder whose outputs never pass the limit.

#include "parameters/SizeLimit.h"
#include "app/ConversionTestSupport.h"
#include "conversion/EncoderPool.h"
#include "conversion/PassLog.h"
#include "media/MediaQuery.h"
#include "support/Command.h"
#include "support/DatabaseFiles.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace ondrevo::testing {
namespace {

namespace fs = std::filesystem;

std::string Stored(const std::string& db)
{
    return QueryValue(db, "select limit_kb || '|' || limit_cut from convert_sizelimit");
}

// The folders of pass statistics this test program still holds.
int OwnPassLogs()
{
    int found = 0;
    const std::string mine = "ondrevo-passes-" + std::to_string(::getpid()) + "-";
    for (const auto& entry : fs::directory_iterator(PassLog::TemporaryFolder()))
        found += entry.path().filename().string().rfind(mine, 0) == 0;
    return found;
}

// Files in the output folder other than the finished outputs: temporary ones.
int PartialFiles(const std::string& folder)
{
    int found = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        found += entry.path().filename().string().find("ondrevo-part") != std::string::npos;
    return found;
}

class SizeLimitChoice : public ::testing::Test, protected ProgramOnShippedCopy { };

TEST_F(SizeLimitChoice, EntriesAndTypedSizesAreStoredAndNonsenseIsRefusedCalmly)
{
    Session& first = Start();
    MemorySelector& selector = first.window.sizeLimitCombo;
    // A database from before the setting: no limit, and no table until a choice is made.
    EXPECT_EQ(selector.Text(), "No limit");
    EXPECT_EQ(selector.Items(), size_limit::EntryNames());
    EXPECT_EQ(QueryValue(db, "select count(*) from sqlite_master where name = 'convert_sizelimit'"), "0");
    struct Step {
        const char* typed; // nullptr: pick entry `pick`
        int pick;
        const char* stored;
        const char* shown;
        bool refused;
    };
    const Step steps[] = {
        { nullptr, 1, "295|0", "295 KB (MMS)", false },
        { "400", 0, "400|0", "400 KB", false },
        { "abc", 0, "400|0", "400 KB", true },
        { "19", 0, "400|0", "400 KB", true }, // below the least
        { "20 kb", 0, "20|0", "20 KB", false }, // the least
        { "4194304", 0, "20|0", "20 KB", true }, // past the most
        { "4194303KB", 0, "4194303|0", "4194303 KB", false },
        { "1.5 MB", 0, "1536|0", "1536 KB", false },
        { "0.5", 0, "1536|0", "1536 KB", true }, // a part of a kilobyte
        { "", 0, "1536|0", "1536 KB", true },
        { "590 kb (mms)", 0, "590|0", "590 KB (MMS)", false },
        { nullptr, 3, "1126|0", "1.1 MB (MMS)", false },
    };
    // The status line is not cleared between steps: an accepted size takes back the
    // refusal before it.
    for (const Step& s : steps) {
        if (s.typed)
            selector.UserType(s.typed);
        else
            selector.UserPick(s.pick);
        const std::string what = s.typed ? s.typed : selector.Item(s.pick);
        EXPECT_EQ(Stored(db), s.stored) << what;
        EXPECT_EQ(selector.Text(), s.shown) << what;
        EXPECT_EQ(selector.ItemIndex() >= 0, true) << what;
        EXPECT_EQ(first.window.jvEditCmdMsg.Text().rfind("Largest file size stays as it was", 0) == 0, s.refused)
            << what << ": " << first.window.jvEditCmdMsg.Text();
    }
    first.window.cutToFitCheck.UserClick();
    EXPECT_EQ(Stored(db), "1126|1");
    selector.UserType("333");

    Session& again = Start();
    EXPECT_EQ(again.window.sizeLimitCombo.Text(), "333 KB");
    EXPECT_EQ(again.window.sizeLimitCombo.ItemCount(), 5);
    EXPECT_TRUE(again.window.cutToFitCheck.Checked());
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

class SizeLimitBatch : public ::testing::Test {
protected:
    explicit SizeLimitBatch(const std::function<void(const std::string&)>& prepare = {})
        : session(std::make_unique<ConversionSession>(dir, prepare))
        , window(session->window)
    {
    }
    void Pause()
    {
        session->Event([](TFFmpegFrmHandlers& h) { h.PauseButtonClick(); });
    }
    long long Size(const std::string& name) const
    {
        const std::string path = session->Output(name);
        return fs::exists(path) ? static_cast<long long>(fs::file_size(path)) : -1;
    }

    TempDir dir;
    std::unique_ptr<ConversionSession> session;
    MemoryMainWindow& window;
    ErrorReports reports;
};

TEST_F(SizeLimitBatch, EveryOutputFitsPlaysWholeOrIsRefusedBeforeEncodingOrCut)
{
    const long long limit = 60 * 1024;
    window.sizeLimitCombo.UserType("60");
    // Two rows side by side, each with its own pass statistics.
    window.filesAtOnceSpin.SetRange(1, 2);
    window.filesAtOnceSpin.UserSets(2);
    const std::string moving = session->Clip("moving.mp4", 3);
    session->Add(moving);
    session->Add(session->Clip("noisy.mp4", 3, "-vf noise=alls=40:allf=t"));
    session->Add(session->Clip("long.mp4", 20));
    // 64 kbit/s of sound would leave this picture 11 kbit/s; at 32 it gets 43.
    session->Add(session->Clip("sound.mp4", 6));
    // A whole earlier output over the limit is no output to skip to.
    window.existingOutputsCombo.UserPick(1);
    ASSERT_EQ(RunCommand({ "ffmpeg", "-v", "error", "-y", "-i", moving, "-c:v", "mpeg4", "-b:v", "400k", "-c:a", "aac",
                  "-f", "3gp", session->Output("moving.3gp") }),
        0);
    ASSERT_GT(Size("moving.3gp"), limit);
    // An earlier output that a failed row leaves in place is said to be over the limit.
    std::ofstream(session->Output("long.3gp")) << std::string(70 * 1024, 'x');
    session->Convert();
    ASSERT_TRUE(session->WaitUntilIdle());
    window.existingOutputsCombo.UserPick(0);
    const auto soundBps = [&] {
        return std::atoll(MediaQuery::Start(session->Output("sound.3gp"))->Get(Stream_Audio, "BitRate").c_str());
    };
    for (const auto& [name, seconds] :
        { std::pair { "moving.3gp", 3.0 }, { "noisy.3gp", 3.0 }, { "sound.3gp", 6.0 } }) {
        EXPECT_LE(Size(name), limit) << name;
        EXPECT_NEAR(ProbeDuration(session->Output(name)), seconds, 0.3) << name;
    }
    EXPECT_GE(Size("sound.3gp"), limit * 3 / 4);
    EXPECT_EQ(session->Reason(3), "Sound at 32 kbit/s to fit 60 KB");
    EXPECT_LE(soundBps(), 34000);
    // The noisy picture reaches the encoder's finest quality below the limit.
    EXPECT_GE(Size("moving.3gp"), limit * 3 / 4);
    EXPECT_EQ(session->Reason(1), "");
    EXPECT_EQ(session->Phase(0), RowPhase::Converted);
    EXPECT_EQ(session->Percent(0), "100%");
    // Refused before encoding: 20 s of sound alone take 59 KB at the lowest step, 24 kbit/s.
    EXPECT_EQ(session->Phase(2), RowPhase::Failed);
    EXPECT_EQ(session->Reason(2),
        "Needs at least 94 KB at the lowest quality; the limit is 60 KB. The earlier long.3gp stays in the folder, at "
        "70 KB, over the limit");
    EXPECT_EQ(Size("long.3gp"), 70 * 1024);

    window.cutToFitCheck.UserClick();
    session->Convert();
    ASSERT_TRUE(session->WaitUntilIdle());
    EXPECT_EQ(session->Phase(2), RowPhase::Converted);
    EXPECT_LE(Size("long.3gp"), limit);
    const double cut = ProbeDuration(session->Output("long.3gp"));
    // The 6 s that fit at the lowest video bitrate with the sound as chosen; the sound
    // then gives way, so that the encoder can hold the picture in them.
    EXPECT_GT(cut, 5.5);
    EXPECT_LT(cut, 6.5);
    EXPECT_EQ(session->Reason(2), "Cut to fit 60 KB: 6.0 s of 20.0 s, sound at 32 kbit/s");
    EXPECT_EQ(PartialFiles(session->outputFolder), 0);
    EXPECT_EQ(OwnPassLogs(), 0);

    // Without a limit the sound is as chosen, and no row says otherwise.
    window.sizeLimitCombo.UserPick(0);
    session->Convert();
    ASSERT_TRUE(session->WaitUntilIdle());
    EXPECT_EQ(session->Reason(3), "");
    EXPECT_GT(soundBps(), 50000);
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

// Sources a plan from the header alone misjudges: a sound far longer than the picture,
// and two recordings joined end to end, whose header tells only the second's length and
// whose timestamps start again halfway (the sound's and the picture's apart).
TEST_F(SizeLimitBatch, ALongerSoundAndJoinedRecordingsFitWithBothCodecsAndPlayTheirWholeLength)
{
    const std::string longSound = dir.File("sound40.mp4");
    ASSERT_EQ(RunCommand({ "ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                  "testsrc2=size=320x240:rate=25:duration=5", "-f", "lavfi", "-i", "sine=frequency=440:duration=40",
                  "-c:v", "mpeg4", "-q:v", "3", "-c:a", "aac", longSound }),
        0);
    const std::string joined = dir.File("joined.ts");
    for (const auto& [seconds, rate, sound, offset] :
        { std::tuple { "14", "25", "15", "0" }, { "6", "30000/1001", "5", "5" } }) {
        ASSERT_EQ(RunCommand({ "ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                      std::string("testsrc2=size=320x240:rate=") + rate + ":duration=" + seconds, "-f", "lavfi", "-i",
                      std::string("sine=frequency=600:duration=") + sound, "-c:v", "mpeg2video", "-b:v", "2M", "-c:a",
                      "mp2", "-output_ts_offset", offset, "-f", "mpegts", dir.File("part.ts") }),
            0);
        std::ofstream(joined, std::ios::app | std::ios::binary)
            << std::ifstream(dir.File("part.ts"), std::ios::binary).rdbuf();
    }
    session->Add(longSound);
    session->Add(joined);
    window.sizeLimitCombo.UserPick(1);
    for (const int codec : { 1, 0 }) { // MPEG-4 Visual, H.263
        window.Vdo(1).UserPick(codec);
        session->Convert();
        ASSERT_TRUE(session->WaitUntilIdle());
        for (const auto& [row, name, seconds] : { std::tuple { 0, "sound40.3gp", 40.0 }, { 1, "joined.3gp", 20.5 } }) {
            const std::string what = window.Vdo(1).Text() + ", " + name;
            EXPECT_EQ(session->Phase(row), RowPhase::Converted) << what << ": " << session->Reason(row);
            EXPECT_LE(Size(name), 295 * 1024) << what;
            EXPECT_NEAR(ProbeDuration(session->Output(name)), seconds, 1.0) << what;
        }
        // The picture of 5 s gets what the sound at 48 kbit/s leaves it, not a share of 40 s.
        EXPECT_EQ(session->Reason(0), "Sound at 48 kbit/s to fit 295 KB");
    }
    EXPECT_EQ(OwnPassLogs(), 0);
}

// A stand-in encoder that refuses the first `refusals` writing runs (first passes, and
// what the encoder is asked besides converting, always run) with `said`, as MPEG-4 refuses them, and notes every run:
// "1", "2" or "o" (a single run), with "t" for a cut.
class RefusingEncoder {
public:
    RefusingEncoder(const TempDir& dir, ConversionSession& session, int refusals, const std::string& said)
        : runs_(dir.File("runs"))
    {
        fs::remove(runs_);
        std::ofstream(dir.File("left")) << refusals << "\n";
        std::ofstream(dir.File("said")) << said << "\n";
        WriteScript(session.programFolder + "/bin/ffmpeg",
            "d='" + dir.Path().string()
                + "'\n"
                  "case \"$*\" in *' -i '*) ;; *) exec " ONDREVO_FFMPEG " \"$@\";; esac\n"
                  "echo \"$*\" >> \"$d/runs\"\n"
                  "case \"$*\" in *'-pass 1'*) exec " ONDREVO_FFMPEG " \"$@\";; esac\n"
                  "left=$(cat \"$d/left\")\n"
                  "if [ \"$left\" -gt 0 ]; then\n"
                  "  echo $((left - 1)) > \"$d/left\"\n"
                  "  cat \"$d/said\" >&2\n"
                  "  echo 'Error submitting video frame to the encoder' >&2\n"
                  "  exit 1\n"
                  "fi\n"
                  "exec " ONDREVO_FFMPEG " \"$@\"");
    }
    std::string Runs() const
    {
        std::string kinds;
        std::ifstream runs(runs_);
        for (std::string line; std::getline(runs, line);) {
            kinds += kinds.empty() ? "" : " ";
            kinds += line.find("-pass 1") != std::string::npos ? "1"
                : line.find("-pass 2") != std::string::npos    ? "2"
                                                               : "o";
            if (line.find(" -t ") != std::string::npos)
                kinds += "t";
        }
        return kinds;
    }

private:
    std::string runs_;
};

TEST_F(SizeLimitBatch, ARefusedSecondPassGivesWayToASingleRunOrAShorterCutAndAFailureSaysWhy)
{
    const char* tooLow = "[mpeg4 @ 0x55d1] Error: bitrate too low for this video with these parameters.";
    const char* longer = "[MPEG4 encoder @ 0x55e3] Input is longer than 2-pass log file";
    const std::string tooSmall = "Does not fit 60 KB: the encoder cannot make this picture that small (\"Cut to fit\" "
                                 "shortens it). The encoder said: bitrate too low for this video with these parameters";
    struct Case {
        const char* said;
        int refusals;
        bool cutToFit;
        const char* runs;
        bool converted;
        std::string hint;
    };
    const Case cases[] = {
        { tooLow, 1, false, "1 2 o", true, "" },
        { longer, 1, false, "1 2 o", true, "" },
        { tooLow, 2, false, "1 2 o", false, tooSmall },
        // A shorter cut is analysed afresh, up to three tries.
        { tooLow, 1, true, "1 2 1t 2t", true, "Cut to fit 60 KB: 2.8 s of 4.0 s" },
        { tooLow, 9, true, "1 2 1t 2t 1t 2t", false, tooSmall },
    };
    window.sizeLimitCombo.UserType("60");
    // A still picture: a single run lands on its size as surely as two passes.
    const std::string still = dir.File("clip.mp4");
    ASSERT_EQ(
        RunCommand({ "ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "smptebars=size=320x240:rate=25:duration=4",
            "-f", "lavfi", "-i", "sine=frequency=440:duration=4", "-c:v", "libx264", "-c:a", "aac", still }),
        0);
    session->Add(still);
    for (const Case& c : cases) {
        const RefusingEncoder encoder(dir, *session, c.refusals, c.said);
        if (window.cutToFitCheck.Checked() != c.cutToFit)
            window.cutToFitCheck.UserClick();
        fs::remove(session->Output("clip.3gp"));
        session->Convert();
        ASSERT_TRUE(session->WaitUntilIdle());
        const std::string what = std::string(c.said).substr(0, 30) + " " + c.runs;
        EXPECT_EQ(encoder.Runs(), c.runs) << what;
        EXPECT_EQ(session->Phase(0), c.converted ? RowPhase::Converted : RowPhase::Failed) << what;
        EXPECT_EQ(session->Reason(0), c.hint) << what;
        EXPECT_EQ(Size("clip.3gp") > 0 && Size("clip.3gp") <= 60 * 1024, c.converted) << what;
        EXPECT_EQ(PartialFiles(session->outputFolder), 0) << what;
        EXPECT_EQ(OwnPassLogs(), 0) << what;
    }
}

// The state letter of a process (R, S, T, Z, ...), or 0 once it is gone.
char ProcessState(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    const std::size_t close = text.rfind(')');
    return close == std::string::npos || close + 2 >= text.size() ? 0 : text[close + 2];
}

TEST_F(SizeLimitBatch, ARunThatStartsWhileTheBatchIsPausedIsHeldWithIt)
{
    // A first pass that says nothing: once it has ended, its end is the loop's to handle.
    WriteScript(session->programFolder + "/bin/ffmpeg",
        "case \"$*\" in *'-pass 1'*) " ONDREVO_FFMPEG " -nostats -v quiet \"$@\"; exit $?;; esac\n"
        "exec " ONDREVO_FFMPEG " \"$@\"");
    window.sizeLimitCombo.UserType("60");
    session->Add(session->Clip("clip.mp4", 3));
    session->Convert();
    ASSERT_TRUE(session->RunUntil([&] { return window.runner.ProcessId() > 0; }));
    const pid_t first = window.runner.ProcessId();
    // Pause comes after the first pass ended and before the batch learns of it.
    for (int waited = 0; ProcessState(first) != 0 && ProcessState(first) != 'Z'; ++waited) {
        ASSERT_LT(waited, 6000);
        ::usleep(10000);
    }
    Pause();
    ASSERT_TRUE(
        session->RunUntil([&] { return window.encoders.Job(0).aim.runsEnded == 1 || !window.encoders.AnyBusy(); }));
    EXPECT_EQ(window.encoders.Job(0).aim.running, size_aim::Pass::Second);
    const pid_t second = window.runner.ProcessId();
    EXPECT_NE(second, first);
    EXPECT_EQ(window.encoders.Job(0).life, JobLife::Paused);
    EXPECT_TRUE(session->RunUntil([&] { return ProcessState(second) == 'T'; }, std::chrono::seconds(20)));
    Pause();
    ASSERT_TRUE(session->WaitUntilIdle());
    EXPECT_EQ(session->Phase(0), RowPhase::Converted) << session->Reason(0);
    EXPECT_LE(Size("clip.3gp"), 60 * 1024);
    EXPECT_GT(Size("clip.3gp"), 0);
}

TEST_F(SizeLimitBatch, SkipKeepsAnEarlierOutputUpToTheLimitAndABatchStartRemovesAbandonedStatistics)
{
    // The statistics of a copy that was killed: its process is gone.
    const pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const fs::path abandoned
        = fs::path(PassLog::TemporaryFolder()) / ("ondrevo-passes-" + std::to_string(gone) + "-AbCdEf");
    fs::create_directory(abandoned);
    std::ofstream(abandoned / "pass-0.log") << "frame 0";

    const std::string clip = session->Clip("clip.mp4", 3);
    session->Add(clip);
    const std::string earlier = session->Output("clip.3gp");
    ASSERT_EQ(RunCommand({ "ffmpeg", "-v", "error", "-y", "-i", clip, "-c:v", "mpeg4", "-b:v", "64k", "-c:a", "aac",
                  "-f", "3gp", earlier }),
        0);
    // Padded with a free box to a whole number of kilobytes.
    const long long bytes = static_cast<long long>(fs::file_size(earlier));
    const long long pad = 1024 - bytes % 1024 + (bytes % 1024 > 1016 ? 1024 : 0);
    {
        std::ofstream out(earlier, std::ios::app | std::ios::binary);
        out << static_cast<char>(0) << static_cast<char>(0) << static_cast<char>(pad >> 8)
            << static_cast<char>(pad & 255) << "free" << std::string(static_cast<std::size_t>(pad - 8), '\0');
    }
    const long long kilobytes = (bytes + pad) / 1024;
    ASSERT_EQ(static_cast<long long>(fs::file_size(earlier)), kilobytes * 1024);
    window.existingOutputsCombo.UserPick(1);
    struct Round {
        long long kilobytes;
        bool skipped;
    };
    for (const Round& round : { Round { kilobytes, true }, Round { kilobytes - 1, false } }) {
        window.sizeLimitCombo.UserType(std::to_string(round.kilobytes));
        session->Convert();
        ASSERT_TRUE(session->WaitUntilIdle());
        EXPECT_FALSE(fs::exists(abandoned));
        EXPECT_EQ(session->Phase(0), RowPhase::Converted) << round.kilobytes;
        EXPECT_EQ(session->Reason(0) == "Skipped: clip.3gp already exists", round.skipped)
            << round.kilobytes << ": " << session->Reason(0);
        EXPECT_EQ(Size("clip.3gp") == kilobytes * 1024, round.skipped) << round.kilobytes;
        EXPECT_LE(Size("clip.3gp"), round.kilobytes * 1024);
    }
    window.existingOutputsCombo.UserPick(0);
}

TEST_F(SizeLimitBatch, AStopDuringTheFirstPassKeepsNothingAndItsPercentCountsBothPasses)
{
    session->EncodeUntilStopped();
    window.sizeLimitCombo.UserType("100");
    session->Add(session->Clip("clip.mp4", 2));
    session->Convert();
    // The first pass reads its looping source past its length: at most half the row.
    ASSERT_TRUE(session->RunUntil([&] { return session->Percent(0) == "50%"; }));
    EXPECT_LE(window.batchDisplay.percent, 50);
    EXPECT_EQ(OwnPassLogs(), 1);
    session->Stop();
    ASSERT_TRUE(session->WaitUntilIdle());
    EXPECT_EQ(session->Phase(0), RowPhase::Stopped);
    EXPECT_EQ(session->Reason(0), "Stopped before a playable part was written");
    EXPECT_EQ(Size("clip.3gp"), -1);
    EXPECT_EQ(PartialFiles(session->outputFolder), 0);
    EXPECT_EQ(OwnPassLogs(), 0);
}

TEST_F(SizeLimitBatch, ARowWhosePassStatisticsHaveNowhereToGoFailsWithTheReason)
{
    const char* before = std::getenv("TMPDIR");
    const std::string saved = before ? before : "";
    ::setenv("TMPDIR", dir.File("gone").c_str(), 1);
    window.sizeLimitCombo.UserType("60");
    session->Add(session->Clip("clip.mp4", 2));
    session->Convert();
    ASSERT_TRUE(session->WaitUntilIdle());
    if (before)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    EXPECT_EQ(session->Phase(0), RowPhase::Failed);
    EXPECT_EQ(session->Reason(0),
        "The statistics of the two passes cannot be kept in " + dir.File("gone") + ": No such file or directory");
    EXPECT_EQ(PartialFiles(session->outputFolder), 0);
}

// The size of the temporary file the encoder writes, -1 while there is none.
long long PartialBytes(const std::string& folder)
{
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().find("ondrevo-part") != std::string::npos)
            return static_cast<long long>(fs::file_size(entry.path()));
    return -1;
}

TEST_F(SizeLimitBatch, AStopDuringTheWritingRunKeepsThePartOnlyWithinTheLimit)
{
    session->EncodeUntilStopped();
    // At 64 kbit/s both limits leave ample room: the row is written in a single run,
    // which reads its looping source until it is stopped.
    window.Vdo(2).UserPick(0);
    session->Add(session->Clip("clip.mp4", 2));
    struct Round {
        const char* limit;
        long long stopAbove; // bytes written before Stop
        bool kept;
    };
    for (const Round& round : { Round { "1.1 MB (MMS)", 0, true }, Round { "64", 64 * 1024, false } }) {
        fs::remove(session->Output("clip.3gp"));
        window.sizeLimitCombo.UserType(round.limit);
        session->Convert();
        ASSERT_TRUE(session->RunUntil([&] { return PartialBytes(session->outputFolder) > round.stopAbove; }));
        EXPECT_EQ(window.encoders.Job(0).aim.runsPlanned, 1) << round.limit;
        session->Stop();
        ASSERT_TRUE(session->WaitUntilIdle());
        EXPECT_EQ(fs::exists(session->Output("clip.3gp")), round.kept) << round.limit;
        if (round.kept) {
            EXPECT_EQ(session->Phase(0), RowPhase::Stopped);
            EXPECT_GT(ProbeDuration(session->Output("clip.3gp")), 0.0);
        } else {
            EXPECT_EQ(session->Phase(0), RowPhase::Failed);
            EXPECT_EQ(session->Reason(0).rfind("Came out at ", 0), 0u) << session->Reason(0);
        }
        EXPECT_EQ(PartialFiles(session->outputFolder), 0);
    }
}

// A catalogue whose video codec fixes the quality: the bitrate cannot bring the size
// down. At 64 kbit/s the limit leaves ample room for a single run.
class FixedQualityBatch : public SizeLimitBatch {
protected:
    FixedQualityBatch()
        : SizeLimitBatch([](const std::string& db) {
            ExecuteSql(db,
                "update cmbex_vdocodec set cmbex_cmd = '-c:v mpeg4 -pix_fmt yuv420p -qscale:v 1' where cmbex_index = "
                "1");
        })
    {
    }
};

TEST_F(FixedQualityBatch, AFileStillOverTheLimitAfterTwoMoreTriesIsNotKeptAndTheEarlierOutputStays)
{
    window.Vdo(2).UserPick(0);
    window.sizeLimitCombo.UserType("64");
    session->Add(session->Clip("clip.mp4", 3));
    std::ofstream(session->Output("clip.3gp")) << "earlier";
    session->Convert();
    ASSERT_TRUE(session->WaitUntilIdle());
    EXPECT_EQ(session->Phase(0), RowPhase::Failed);
    EXPECT_EQ(session->Reason(0).rfind("Came out at ", 0), 0u) << session->Reason(0);
    EXPECT_NE(session->Reason(0).find(" after 3 tries, over the largest file size of 64 KB"), std::string::npos)
        << session->Reason(0);
    EXPECT_EQ(window.encoders.Job(0).aim.runsEnded, 3);
    EXPECT_EQ(Size("clip.3gp"), 7);
    EXPECT_EQ(PartialFiles(session->outputFolder), 0);
    EXPECT_EQ(OwnPassLogs(), 0);
}

} // namespace
} // namespace ondrevo::testing
