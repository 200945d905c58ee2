// Aiming a row at "Largest file size": the plan for each playing time under the shipped
// choices, the runs' arguments, the tries after an overshoot, the percent over every
// run, and what is kept at the limit.

#include "conversion/SizeAim.h"
#include "conversion/ConversionJob.h"
#include "conversion/JobOutcome.h"
#include "conversion/PassLog.h"
#include "support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace ondrevo::testing {
namespace {

using size_aim::Pass;

// The arguments of the shipped choices: MPEG-4 at 256 kbit/s, 176x144, 15 fps; AAC at
// 64 kbit/s, stereo, 44100 Hz.
const std::vector<std::string> kShipped { "/p/bin/ffmpeg", "-y", "-i", "/s/a.mp4", "-c:v", "mpeg4", "-pix_fmt",
    "yuv420p", "-b:v", "256k", "-s", "176x144", "-r", "15", "-c:a", "aac", "-b:a", "64k", "-ac", "2", "-ar", "44100",
    "-f", "3gp", "/o/.a.3gp.1.ondrevo-part" };

constexpr long long k295 = 295 * 1024;

// What a plan's output weighs at most, by the same reckoning.
long long PlannedBytes(const size_aim::OutputTraits& traits, const size_aim::Plan& plan, long long ms)
{
    const long long played = plan.cutMilliseconds > 0 ? plan.cutMilliseconds : ms;
    return size_aim::ContainerBytes(traits, played)
        + (plan.videoBps + size_aim::AsWritten(traits, plan).audioBps) * played / 8000;
}

TEST(SizeAim, EachPlayingTimeGetsTheBitrateThatFillsTheLimitOrIsRefusedOrCutWithTheReason)
{
    const size_aim::OutputTraits shipped = size_aim::ReadTraits(kShipped);
    EXPECT_EQ(shipped.videoCapBps, 256000);
    EXPECT_EQ(shipped.audioBps, 64000);
    EXPECT_EQ(size_aim::LowestVideoBps(shipped), 9504);
    EXPECT_EQ(size_aim::UsableVideoBps(shipped), 38016);
    std::vector<std::string> args = kShipped;
    args[19] = "1";
    const size_aim::OutputTraits mono = size_aim::ReadTraits(args);
    args[15] = "libopencore_amrnb", args[17] = "12.2k", args[21] = "8000";
    const size_aim::OutputTraits amr = size_aim::ReadTraits(args);
    args[15] = "libvo_amrwbenc", args[17] = "23.85k", args[21] = "16000";
    const size_aim::OutputTraits amrWb = size_aim::ReadTraits(args);
    struct Case {
        const char* what;
        long long limit, ms;
        bool cut;
        bool fits;
        int passes;
        long long leastBps, mostBps; // the video bitrate's range
        long long audioBps; // the sound lowered to; 0: as chosen
        const char* reason; // part of the plan's reason
        const size_aim::OutputTraits* traits = nullptr; // the shipped ones
    };
    const Case cases[] = {
        { "12 s", k295, 12000, false, true, 2, 128000, 130000, 0, "" },
        { "the chosen sound just leaves the picture enough", k295, 22300, false, true, 2, 38016, 38100, 0, "" },
        { "the sound just lowered", k295, 22400, false, true, 2, 53000, 54000, 48000,
            "Sound at 48 kbit/s to fit 295 KB" },
        { "30 s", k295, 30000, false, true, 2, 42000, 43000, 32000, "Sound at 32 kbit/s to fit 295 KB" },
        { "the lowest sound and picture just fit", k295, 63300, false, true, 2, 9504, 9600, 24000, "at 24 kbit/s" },
        { "the lowest sound is not enough", k295, 63400, false, false, 2, 0, 0, 0,
            "Needs at least 296 KB at the lowest quality; the limit is 295 KB" },
        { "10 min", k295, 600000, false, false, 2, 0, 0, 0,
            "Needs at least 2.8 MB at the lowest quality; the limit is 295 KB" },
        { "10 min, cut to fit", k295, 600000, true, true, 2, 41000, 42000, 32000,
            "Cut to fit 295 KB: 30.5 s of 600.0 s, sound at 32 kbit/s" },
        { "10 min, cut to fit 8 KB", 8 * 1024, 600000, true, false, 2, 0, 0, 0, "; not even a second fits" },
        { "ample room: the selector's bitrate, one run", 1126 * 1024, 2000, false, true, 1, 256000, 256000, 0, "" },
        { "room, but not ample: two runs", 1126 * 1024, 20000, false, true, 2, 256000, 256000, 0, "" },
        { "unknown playing time", k295, 0, true, false, 2, 0, 0, 0, "playing time is unknown" },
        { "mono goes one step lower", k295, 80600, false, true, 2, 9504, 9600, 16000, "at 16 kbit/s", &mono },
        // AMR steps down through its modes, and only when the picture would get too little.
        { "AMR-NB keeps its mode while the picture has enough", k295, 30000, false, true, 2, 61000, 62500, 0, "",
            &amr },
        { "AMR-NB just keeps its mode", k295, 43000, false, true, 2, 38016, 38300, 0, "", &amr },
        { "AMR-NB one mode down", k295, 44000, false, true, 2, 38016, 39500, 10200,
            "Sound at 10.2 kbit/s to fit 295 KB", &amr },
        { "AMR-NB at its lowest mode", k295, 60000, false, true, 2, 29000, 31000, 4750, "at 4.75 kbit/s", &amr },
        { "AMR-WB through its modes", k295, 40000, false, true, 2, 38016, 40000, 15850,
            "Sound at 15.85 kbit/s to fit 295 KB", &amrWb },
    };
    for (const Case& c : cases) {
        const size_aim::OutputTraits& traits = c.traits ? *c.traits : shipped;
        const size_aim::Plan plan = size_aim::MakePlan(traits, c.limit, c.ms, c.cut);
        EXPECT_EQ(plan.fits, c.fits) << c.what;
        EXPECT_NE(plan.reason.find(c.reason), std::string::npos) << c.what << ": " << plan.reason;
        EXPECT_EQ(plan.audioBps, c.audioBps) << c.what;
        if (!c.fits)
            continue;
        EXPECT_EQ(plan.passes, c.passes) << c.what;
        EXPECT_GE(plan.videoBps, c.leastBps) << c.what;
        EXPECT_LE(plan.videoBps, c.mostBps) << c.what;
        EXPECT_LE(PlannedBytes(traits, plan, c.ms), c.limit) << c.what;
        EXPECT_EQ(plan.cutMilliseconds > 0, c.cut) << c.what;
    }
    // Each stream by its own length: a short picture takes what a long sound leaves it.
    struct Streams {
        const char* what;
        size_aim::Lengths lengths;
        bool cut;
        bool fits;
        long long leastBps, mostBps;
        long long audioBps;
        const char* reason;
    };
    const Streams streams[] = {
        { "5 s of picture, 40 s of sound", { 5000, 40000 }, false, true, 60000, 66000, 48000,
            "Sound at 48 kbit/s to fit 295 KB" },
        { "40 s of picture, 5 s of sound", { 40000, 5000 }, false, true, 49000, 50000, 0, "" },
        { "5 s of picture, 100 s of sound, cut", { 5000, 100000 }, true, true, 119000, 121000, 48000,
            "Cut to fit 295 KB: 34.5 s of 100.0 s, sound at 48 kbit/s" },
        { "the same without the cut", { 5000, 100000 }, false, false, 0, 0, 0,
            "Needs at least 342 KB at the lowest quality" },
    };
    for (const Streams& c : streams) {
        const size_aim::Plan plan = size_aim::MakePlan(shipped, k295, c.lengths, c.cut);
        EXPECT_EQ(plan.fits, c.fits) << c.what;
        EXPECT_NE(plan.reason.find(c.reason), std::string::npos) << c.what << ": " << plan.reason;
        if (!c.fits)
            continue;
        EXPECT_EQ(plan.audioBps, c.audioBps) << c.what;
        EXPECT_GE(plan.videoBps, c.leastBps) << c.what;
        EXPECT_LE(plan.videoBps, c.mostBps) << c.what;
        const size_aim::Lengths played = c.cut ? c.lengths.Cut(plan.cutMilliseconds) : c.lengths;
        EXPECT_LE(size_aim::ContainerBytes(shipped, played)
                + (plan.videoBps * played.video + size_aim::AsWritten(shipped, plan).audioBps * played.audio) / 8000,
            k295)
            << c.what;
    }
    // The media library's stream lengths: unknown or past the whole, the whole.
    EXPECT_EQ(size_aim::StreamLengths(40000, 5000, 40000), (size_aim::Lengths { 5000, 40000 }));
    EXPECT_EQ(size_aim::StreamLengths(40000, 0, 41000), (size_aim::Lengths { 40000, 40000 }));

    // Silent outputs give the sound's share to the picture.
    std::vector<std::string> silent = kShipped;
    silent.insert(silent.end() - 3, "-an");
    const size_aim::OutputTraits quiet = size_aim::ReadTraits(silent);
    EXPECT_EQ(quiet.audioBps, 0);
    EXPECT_GT(size_aim::MakePlan(quiet, k295, 30000, false).videoBps, 70000);
    // H.264 lands on its bitrate in a single run.
    std::vector<std::string> h264 = kShipped;
    h264[5] = "libx264";
    EXPECT_EQ(size_aim::MakePlan(size_aim::ReadTraits(h264), k295, 12000, false).passes, 1);
}

TEST(SizeAim, RunsChangeOnlyTheBitrateTheCutAndThePass)
{
    size_aim::Plan plan;
    plan.videoBps = 128900;
    const std::string log = "/tmp/ondrevo-passes-1-x/pass";
    std::vector<std::string> expected = kShipped;
    expected[9] = "128900";
    EXPECT_EQ(size_aim::RunArguments(kShipped, plan, Pass::Only, log), expected);
    std::vector<std::string> second = expected;
    second.insert(second.end() - 3, { "-pass", "2", "-passlogfile", log });
    EXPECT_EQ(size_aim::RunArguments(kShipped, plan, Pass::Second, log), second);
    std::vector<std::string> first = expected;
    first.insert(first.end() - 3, { "-pass", "1", "-passlogfile", log });
    first.back() = "/dev/null";
    EXPECT_EQ(size_aim::RunArguments(kShipped, plan, Pass::First, log), first);
    // A lowered sound takes the chosen bitrate's place.
    plan.audioBps = 32000;
    expected[17] = "32000";
    EXPECT_EQ(size_aim::RunArguments(kShipped, plan, Pass::Only, log), expected);
    plan.audioBps = 0;
    // A catalogue without a bitrate fragment gets one; a cut comes before the muxer.
    std::vector<std::string> bare = kShipped;
    bare.erase(bare.begin() + 8, bare.begin() + 10);
    plan.cutMilliseconds = 30539;
    std::vector<std::string> cut = bare;
    cut.insert(cut.end() - 3, { "-b:v", "128900", "-t", "30.539" });
    EXPECT_EQ(size_aim::RunArguments(bare, plan, Pass::Only, log), cut);
}

TEST(SizeAim, AnOvershootScalesTheBitrateDownAndPercentCountsEveryRun)
{
    // Silent, so that the container alone shares the limit with the picture: 1024 bytes
    // and 8 a picture, 8376 for 8 s at 15 fps.
    std::vector<std::string> silent = kShipped;
    silent.insert(silent.end() - 3, "-an");
    const size_aim::OutputTraits traits = size_aim::ReadTraits(silent);
    struct Scale {
        long long bps, written, least, most;
    };
    const Scale scales[] = {
        { 100000, 100000 + 9162, 88000, 89000 }, // the picture took 10 % over its 91624
        { 100000, 100001, 96000, 97000 }, // a byte over
        { 100000, 100000, 0, 0 }, // exactly at the limit: no try again
        { 100000, 10 * 100000, 9500, 9550 }, // a picture that ignored its bitrate: about a tenth
        { 5000, 10 * 100000, 0, 0 }, // no bitrate worth a try left
    };
    for (const Scale& s : scales) {
        const long long scaled = size_aim::ScaledBps(traits, s.bps, 100000, s.written, { 8000, 8000 });
        EXPECT_GE(scaled, s.least) << s.written;
        EXPECT_LE(scaled, s.most) << s.written;
    }

    ConversionJob job;
    job.playingSeconds = 20;
    struct Step {
        long long limit;
        int runsPlanned, runsEnded, elapsed;
        int percent;
        long long doneSeconds;
    };
    const Step steps[] = {
        { 0, 1, 0, 10, 50, 10 }, // no limit: as always
        { 0, 1, 0, 25, 100, 20 }, { k295, 2, 0, 10, 25, 5 }, // halfway through the first of two
        { k295, 2, 0, 40, 50, 10 }, // a first pass reading past the end
        { k295, 2, 1, 10, 75, 15 }, { k295, 2, 1, 20, 100, 20 }, { k295, 3, 2, 0, 66, 13 }, // a try again
    };
    for (const Step& s : steps) {
        job.aim.limitBytes = s.limit;
        job.aim.runsPlanned = s.runsPlanned;
        job.aim.runsEnded = s.runsEnded;
        job.elapsedSeconds = s.elapsed;
        EXPECT_EQ(size_aim::RowPercent(job, s.elapsed, 20), s.percent) << s.runsEnded << "/" << s.elapsed;
        EXPECT_EQ(size_aim::DoneSeconds(job), s.doneSeconds) << s.runsEnded << "/" << s.elapsed;
    }
    // A cut row's runs are as long as its cut.
    job.aim.plan.cutMilliseconds = 10000;
    job.aim.runsPlanned = 2;
    job.aim.runsEnded = 1;
    EXPECT_EQ(size_aim::RowPercent(job, 5, 20), 75);
}

// The tries of a row after its first: scaled after an overshoot with the sound as the run
// wrote it, a single run after a refused second pass, a first pass again for a shorter
// cut, and a plan made again when the first pass read more than the header said.
TEST(SizeAim, EachTryAfterTheFirstTakesWhatTheLastOneLearnt)
{
    const auto aimAt = [](long long ms, bool cutToFit) {
        size_aim::Aim aim;
        aim.limitBytes = k295;
        aim.cutToFit = cutToFit;
        aim.arguments = kShipped;
        aim.traits = size_aim::ReadTraits(kShipped);
        aim.lengths = { ms, ms };
        aim.plan = size_aim::MakePlan(aim.traits, k295, aim.lengths, cutToFit);
        aim.tries = 1;
        aim.running = Pass::Second;
        aim.passLog = std::make_unique<PassLog>();
        return aim;
    };
    struct Overshoot {
        int tries;
        long long written;
        bool again;
        long long least, most;
    };
    // 30 s: the sound at 32 kbit/s, the picture at 42.6. At 10 % over, the picture took
    // 22 % more than its share; reckoned with the chosen 64 kbit/s it would seem 50 %.
    const Overshoot overshoots[] = {
        { 1, k295 * 11 / 10, true, 35000, 35500 },
        { 2, k295 * 11 / 10, true, 35000, 35500 },
        { 3, k295 * 11 / 10, false, 0, 0 }, // three writing runs are the most
        { 1, k295, false, 0, 0 },
    };
    for (const Overshoot& o : overshoots) {
        size_aim::Aim aim = aimAt(30000, false);
        ASSERT_EQ(aim.plan.audioBps, 32000);
        aim.tries = o.tries;
        EXPECT_EQ(size_aim::ScaleAfterOvershoot(aim, o.written), o.again) << o.tries << " " << o.written;
        if (o.again) {
            EXPECT_GE(aim.plan.videoBps, o.least) << o.tries;
            EXPECT_LE(aim.plan.videoBps, o.most) << o.tries;
        }
    }

    ConversionJob job;
    // A refused second pass: a single run at the planned bitrate, its statistics gone.
    job.aim = aimAt(12000, false);
    const long long planned = job.aim.plan.videoBps;
    ASSERT_TRUE(size_aim::RunAloneAfterRefusal(job.aim));
    EXPECT_EQ(job.aim.passLog, nullptr);
    std::vector<std::string> alone = size_aim::NextRun(job, true);
    EXPECT_EQ(job.aim.running, Pass::Only);
    EXPECT_EQ(std::find(alone.begin(), alone.end(), "-pass"), alone.end());
    EXPECT_EQ(job.aim.plan.videoBps, planned);
    EXPECT_FALSE(size_aim::RunAloneAfterRefusal(job.aim)); // a single run is no second pass
    job.aim = aimAt(12000, false);
    job.aim.tries = 3;
    EXPECT_FALSE(size_aim::RunAloneAfterRefusal(job.aim));

    // A shorter cut is analysed afresh: the longer part's statistics would not match.
    job.aim = aimAt(600000, true);
    ASSERT_EQ(job.aim.plan.cutMilliseconds, 30539);
    ASSERT_TRUE(size_aim::ShortenCut(job.aim));
    std::vector<std::string> shorter = size_aim::NextRun(job, true);
    EXPECT_EQ(job.aim.running, Pass::First);
    const std::vector<std::string> cutFirstPass { "-t", "21.377", "-pass", "1" };
    EXPECT_NE(std::search(shorter.begin(), shorter.end(), cutFirstPass.begin(), cutFirstPass.end()), shorter.end());
    EXPECT_EQ(job.aim.plan.reason, "Cut to fit 295 KB: 21.4 s of 600.0 s, sound at 32 kbit/s");

    struct Read {
        const char* what;
        long long header, read;
        bool cutToFit;
        bool holds, fits;
        long long playing; // what the plan is for after
        const char* reason;
    };
    const Read reads[] = {
        { "as the header said", 10000, 10150, false, true, true, 10000, "" },
        { "joined recordings: twice as long", 10000, 20000, false, true, true, 20000, "" },
        { "too long for the limit", 10000, 200000, false, false, false, 200000, "Needs at least" },
        { "too long, cut to fit", 10000, 200000, true, false, true, 200000, "Cut to fit 295 KB: 30.5 s of 200.0 s" },
    };
    for (const Read& r : reads) {
        size_aim::Aim aim = aimAt(r.header, r.cutToFit);
        const long long before = aim.plan.videoBps;
        EXPECT_EQ(size_aim::TakeReadLength(aim, r.read), r.holds) << r.what;
        EXPECT_EQ(aim.plan.fits, r.fits) << r.what;
        EXPECT_EQ(aim.lengths.Playing(), r.playing) << r.what;
        EXPECT_EQ(aim.passLog != nullptr, r.holds) << r.what;
        EXPECT_NE(aim.plan.reason.find(r.reason), std::string::npos) << r.what << ": " << aim.plan.reason;
        if (r.holds) {
            EXPECT_EQ(aim.plan.passes, 2) << r.what;
            EXPECT_EQ(aim.plan.videoBps == before, r.read == 10150) << r.what;
        }
    }
}

TEST(SizeAim, NoFileOverTheLimitIsKeptAndACutOneSaysSo)
{
    TempDir dir;
    struct Case {
        const char* what;
        bool stopped;
        std::uint32_t exitCode;
        long long bytes;
        long long cutMs;
        long long planMs; // the plan made for this playing time; 0: none
        const char* said; // the encoder's line that refused the run, or nullptr
        bool keep, failed;
        const char* reason;
    };
    const Case cases[] = {
        { "exactly at the limit", false, 0, k295, 0, 0, nullptr, true, false, "" },
        { "a byte over", false, 0, k295 + 1, 0, 0, nullptr, false, true,
            "Came out at 296 KB after 3 tries, over the largest file size of 295 KB; nothing was kept" },
        { "a stopped part over", true, 0, k295 + 1, 0, 0, nullptr, false, true, "Came out at 296 KB" },
        { "a stopped part under", true, 0, 1000, 0, 0, nullptr, true, false, "" },
        { "cut", false, 0, 9000, 30000, 600000, nullptr, true, false, "Cut to fit 295 KB: 30." },
        { "the sound lowered", false, 0, 9000, 0, 30000, nullptr, true, false, "Sound at 32 kbit/s to fit 295 KB" },
        { "the picture cannot be that small", false, 1, 0, 0, 0,
            "[mpeg4 @ 0x5632] Error: bitrate too low for this video with these parameters.", false, true,
            "Does not fit 295 KB: the encoder cannot make this picture that small (\"Cut to fit\" shortens it). The "
            "encoder said: bitrate too low for this video with these parameters" },
        { "the statistics refused", false, 1, 0, 0, 0, "[MPEG4 encoder @ 0x55e3] Input is longer than 2-pass log file",
            false, true,
            "The encoder refused to write with the statistics of its first pass, and no try was left. The encoder "
            "said: Input is longer than 2-pass log file" },
        { "any other failure: the encoder's line", false, 1, 0, 0, 0, nullptr, false, true,
            "Error submitting video frame to the encoder" },
    };
    for (const Case& c : cases) {
        ConversionJob job;
        job.output = std::make_unique<PartialOutput>(dir.File("out.3gp"));
        job.sourceMilliseconds = c.cutMs > 0 ? 600000 : 20000;
        job.life = c.stopped ? JobLife::Stopping : JobLife::Running;
        job.aim.limitBytes = k295;
        job.aim.tries = 3;
        job.failureLine = "Error submitting video frame to the encoder";
        if (c.said)
            size_aim::NoteEncoderLine(job.aim, c.said);
        if (c.planMs > 0)
            job.aim.plan = size_aim::MakePlan(size_aim::ReadTraits(kShipped), k295, c.planMs, c.cutMs > 0);
        job.aim.plan.cutMilliseconds = c.cutMs;
        const long long written = c.cutMs > 0 ? c.cutMs : (c.stopped ? 5000 : 20000);
        const JobOutcome outcome = JudgeJob(job, c.exitCode, written, c.bytes);
        EXPECT_EQ(outcome.keep, c.keep) << c.what;
        EXPECT_EQ(outcome.failed, c.failed) << c.what;
        EXPECT_EQ(outcome.reason.rfind(c.reason, 0), 0u) << c.what << ": " << outcome.reason;
        if (c.exitCode != 0)
            EXPECT_EQ(outcome.reason, c.reason) << c.what;
    }
}

} // namespace
} // namespace ondrevo::testing
