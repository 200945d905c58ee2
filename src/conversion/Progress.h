#pragma once
// The encoder's progress lines ("frame= ... time=hh:mm:ss.cc ...") as a whole
// percentage of the source's playing time, told to the view as the row's percent, and
// the raw line as the status line. Other lines say what the encoder is doing; the last of them is
// kept as the row's hint, so a failed job tells why. UI thread.

#include <cstddef>
#include <string>

namespace ondrevo {

class BatchEngine;

namespace progress {

// The closing line of an encoder that failed; it repeats nothing the hint needs.
extern const char* const kConversionFailed;

// Handles one output line of the encoder of `slot`; its lines belong to its job's row
// (nothing without a job, or when the model no longer holds that row). A progress line
// tells the view the row's percent of the playing time the job knows (at most 100: a
// source still growing is read past the length the row shows) and, for the lowest row
// being converted, the line as the status; a line whose time is "N/A" (no output
// written yet) or negative (before the start) is only the status, and one cut before
// its time is complete (read while the encoder was writing it) changes nothing. Any
// other non-empty line is noted in the slot's job: the last line, the last one that says
// what went wrong (the row's reason if the job fails; a line that says the file could
// not be written stays over later ones that do not, and one whose detail is empty,
// "... --", replaces no earlier reason), whether it reports a write error or a full
// disk, and the input's "Duration:" when the job does not know the source's length; the
// closing "Conversion failed!" is passed over. A progress line whose fields are not
// numbers raises EConvertError before anything is told; the caller reports it.
void ShowProgress(BatchEngine& engine, std::size_t slot, const std::string& line);

// The seconds a progress line reports after "time=" (read as hh:mm:ss, with more hour
// digits from 100 hours on; the fraction of a second is ignored), or -1 for a negative
// time (before the start). Raises EConvertError when a field is not a number.
int ElapsedSeconds(const std::string& line);

// How much of its file the encoder reports written, from a progress line's "time="
// (hh:mm:ss, an optional fraction): milliseconds, or -1 when the line is no progress
// line, its time is unknown or negative, or it ends inside its time.
long long WrittenMilliseconds(const std::string& line);

// The whole percentage of `elapsed` in `duration`, truncated, not limited to 100. A
// duration of 0 (a source shorter than a second) gives 0.
int Percent(int elapsed, int duration);

// Whether an encoder line says what went wrong ("Error ...", "No space ...", "Invalid
// data ...", "Permission denied", ...).
bool SaysWhatWentWrong(const std::string& line);
// Whether it says the output could not be written (a write, trailer or close error).
bool SaysWriteFailed(const std::string& line);
// Whether it says the disk or the user's quota is full.
bool SaysDiskFull(const std::string& line);

// Whether a progress line ends before its time is complete ("[-]hh:mm:ss"): a line read
// while the encoder was still writing it.
bool TimeCutShort(const std::string& line);

// Whether the line is a progress line whose time the encoder does not know yet.
bool TimeUnknown(const std::string& line);

// The playing time in milliseconds of the encoder's "  Duration: hh:mm:ss.cc, start: ..."
// line for its input; -1 for any other line and for "Duration: N/A".
long long DurationMilliseconds(const std::string& line);

} // namespace progress
} // namespace ondrevo
