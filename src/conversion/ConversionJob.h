#pragma once
// What one encoder run needs to know at its end besides its exit code: which row and
// file it converts, where it writes until the file is known to be whole, how long the
// source plays, whether the user stopped it, and what the encoder said went wrong. The
// window owns one per encoder runner; it outlives the runs, and each StartJob fills it
// afresh. UI thread.

#include "conversion/JobLife.h"
#include "conversion/PartialOutput.h"
#include "conversion/SizeAim.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace ondrevo {

struct ConversionJob {
    // Where the job is in its life (running, paused, stopping, ...).
    JobLife life = JobLife::Free;
    // Which claim of its slot this job is: what the worker thread reads for an earlier
    // claim is dropped.
    std::uint64_t ticket = 0;
    // The source's facts are still being read after its encoder started: the encoder's
    // end waits for them (`endWaiting` holds its exit code), as its judgement needs the
    // source's length.
    bool factsPending = false;
    std::optional<std::uint32_t> endWaiting;
    // The batch model's row it converts (0: none); its position may move once the batch
    // has ended and the user deletes rows.
    std::uint64_t rowId = 0;
    std::string source;
    // Where the encoder writes; renamed over its final name when whole. Null between runs.
    std::unique_ptr<PartialOutput> output;
    // The source's playing time in milliseconds as the media library reports it; when it
    // does not know (0), as the encoder's "Duration:" line for its input says, unless the
    // encoder said it only guessed it from the bit rate.
    long long sourceMilliseconds = 0;
    bool durationLineSeen = false;
    bool durationGuessed = false;
    // The source's size when the encoder started (-1 unknown), and whether it was larger
    // when the encoder ended: a recording still being written.
    long long sourceBytes = -1;
    bool sourceGrew = false;
    // The row's playing time, and how much of it the encoder has converted so far.
    int playingSeconds = 0;
    int elapsedSeconds = 0;
    // The playing time the encoder's last progress line reports written, in milliseconds.
    long long writtenMilliseconds = 0;
    // The encoder's last line that says something went wrong, and its last line of any
    // kind (progress lines aside).
    std::string failureLine;
    std::string lastLine;
    // The encoder said it could not write its file (a write or close error).
    bool writeFailed = false;
    // Nothing can be written to the output folder (the disk or the quota is full, the
    // folder is gone or read-only): every later row would fail the same way.
    bool outputBlocked = false;
    // "Skip": the whole output already under the row's name, kept instead of running the
    // encoder; empty when the encoder ran.
    std::string skippedOutput;
    // "Keep both": the output never replaces a file; when one appeared under its name
    // while it was written, it takes the next free name then.
    bool keepBoth = false;
    // "Keep the source's date" was ticked when the job started: the kept file takes the
    // source's modification time.
    bool keepSourceDate = false;
    // The encoder program cannot convert with the current choices (EncoderCheck): every
    // later row would fail the same way.
    bool encoderUnfit = false;
    // Under "Largest file size": the row's bitrate, its runs and tries; empty without.
    size_aim::Aim aim;
};

} // namespace ondrevo
