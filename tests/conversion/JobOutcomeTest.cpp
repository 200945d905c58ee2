// Which finished runs replace the output, which rows fail, and which failures stop the
// batch, on a table of the ways an encoder run ends.

#include "conversion/JobOutcome.h"
#include "conversion/ConversionJob.h"
#include "conversion/Progress.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace ondrevo::testing {
namespace {

struct Case {
    const char* what;
    bool stopped;
    std::uint32_t exitCode;
    const char* line; // an encoder line the run printed, "" for none
    long long sourceMs, outputMs, outputBytes;
    bool keep, failed, stopBatch;
    const char* reason; // part of the row's hint
    bool sourceGrew = false;
};

constexpr long long kNoSize = 0;

const Case kCases[] = {
    { "whole", false, 0, "", 20000, 20016, 90000, true, false, false, "" },
    { "source length unknown", false, 0, "", 0, 1000, 9000, true, false, false, "" },
    { "just at 90 %", false, 0, "", 20000, 18000, 9000, true, false, false, "" },
    { "91 %", false, 0, "", 20000, 18200, 9000, true, false, false, "" },
    { "89 %", false, 0, "", 20000, 17800, 9000, false, true, false, "Only 17.8 s of 20.0 s were converted" },
    { "cut at 70 %", false, 0, "", 20000, 14000, 9000, false, true, false, "Only 14.0 s of 20.0 s were converted" },
    { "a recording still being written", false, 0, "", 20000, 26000, 90000, true, false, false,
        "The source grew while it was read: 26.0 s were converted", true },
    { "cut short, exit 0", false, 0, "[h264 @ 0x1] Invalid NAL unit size (1 > 2).", 8000, 2400, 9000, false, true,
        false, "Only 2.4 s of 8.0 s were converted: [h264 @ 0x1] Invalid NAL unit size" },
    { "trailer not written, exit 0", false, 0, "Error writing trailer of /o/a.3gp: No space left on device", 20000, 0,
        1040384, false, true, true, "No space left on device" },
    { "trailer not written, the only write error", false, 0, "Error writing trailer of /o/a.3gp: File too large", 20000,
        20000, 1040384, false, true, false, "File too large" },
    { "quota full, exit 1", false, 1, "av_interleaved_write_frame(): Disk quota exceeded", 20000, 0, 4096, false, true,
        true, "Disk quota exceeded" },
    { "broken source", false, 1, "/s/noise.mp4: Invalid data found when processing input", 0, 0, kNoSize, false, true,
        false, "Invalid data found" },
    { "killed", false, 0x109, "", 20000, 0, kNoSize, false, true, false, "ended by signal 9" },
    { "exit 0, nothing written", false, 0, "", 0, 0, kNoSize, false, true, false, "wrote nothing" },
    { "stopped by q", true, 0, "", 20000, 5000, 9000, true, false, false, "" },
    { "stopped, finished on SIGTERM", true, 255, "", 20000, 5000, 9000, true, false, false, "" },
    { "stopped, killed", true, 0x109, "", 20000, 0, 4096, false, false, false, "Stopped before" },
    { "stopped, killed after writing", true, 0x109, "", 20000, 5000, 9000, false, false, false, "Stopped before" },
    { "stopped before any picture", true, 0, "", 20000, 0, 800, false, false, false, "Stopped before" },
    { "stopped on a full disk", true, 1, "Error closing file /o/a.3gp: No space left on device", 20000, 0, 4096, false,
        true, false, "No space left" },
};

TEST(JobOutcome, OnlyAWholeOrAStoppedPlayableFileIsKeptAndOnlyAFullFolderStopsTheBatch)
{
    TempDir dir;
    for (const Case& c : kCases) {
        ConversionJob job;
        job.output = std::make_unique<PartialOutput>(dir.File("out.3gp"));
        job.sourceMilliseconds = c.sourceMs;
        job.life = c.stopped ? JobLife::Stopping : JobLife::Running;
        job.sourceGrew = c.sourceGrew;
        const std::string line = c.line;
        if (!line.empty()) {
            // As the progress reader notes the encoder's lines.
            job.lastLine = line;
            if (progress::SaysWhatWentWrong(line))
                job.failureLine = line;
            job.writeFailed = progress::SaysWriteFailed(line);
            job.outputBlocked = progress::SaysDiskFull(line);
        }
        const JobOutcome outcome = JudgeJob(job, c.exitCode, c.outputMs, c.outputBytes);
        EXPECT_EQ(outcome.keep, c.keep) << c.what;
        EXPECT_EQ(outcome.failed, c.failed) << c.what;
        EXPECT_EQ(outcome.stopBatch, c.stopBatch) << c.what;
        EXPECT_NE(outcome.reason.find(c.reason), std::string::npos) << c.what << ": " << outcome.reason;
        if (!*c.reason) {
            EXPECT_EQ(outcome.reason, "") << c.what;
        }
    }
}

} // namespace
} // namespace ondrevo::testing
