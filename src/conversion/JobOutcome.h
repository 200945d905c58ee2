#pragma once
// How an encoder run turned out, judged when it ends: whether its file is whole and
// replaces the final one, whether its row failed and why, and whether the batch must
// stop because every later row would fail the same way. Pure: the caller measures the
// file. UI thread.

#include <cstdint>
#include <string>

namespace ondrevo {

struct ConversionJob;

struct JobOutcome {
    bool keep = false; // rename the written file over its final name
    bool failed = false; // the row shows the failed image
    bool stopBatch = false;
    std::string reason; // the row's hint; empty for a whole conversion
};

// `exitCode` as the runner reports it; `outputMilliseconds` the written file's playing
// time (0 when unknown or not measured); `outputBytes` its size.
//   - A row skipped because a whole output was there is neither kept nor failed; its
//     reason names that file.
//   - A stopped run keeps a playable part (exit 0, or 255 after SIGTERM, which the
//     encoder also finalises on) unless a write failed.
//   - Otherwise only a run that ended with 0, wrote without error, wrote something and,
//     when the source's playing time is known, reached 90 % of it is kept. Its reason
//     says so when the source grew while the encoder read it.
JobOutcome JudgeJob(
    const ConversionJob& job, std::uint32_t exitCode, long long outputMilliseconds, long long outputBytes);

} // namespace ondrevo
