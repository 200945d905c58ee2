#include "conversion/Progress.h"

#include "base/Errors.h"
#include "base/IntegerText.h"
#include "conversion/BatchEngine.h"
#include "conversion/BatchModel.h"
#include "conversion/ConversionJob.h"
#include "conversion/EncoderPool.h"
#include "conversion/SizeAim.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <limits>

namespace ondrevo::progress {
namespace {

// Up to `count` characters from `position` (0-based); fewer, or none, past the end.
std::string_view Take(std::string_view text, std::size_t position, std::size_t count)
{
    return position < text.size() ? text.substr(position, count) : std::string_view {};
}

// Hours beyond this many digits are no time an encoder prints.
constexpr std::size_t kMostHourDigits = 9;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool StartsWith(const std::string& line, const char* prefix)
{
    return line.rfind(prefix, 0) == 0;
}

// The row that slot's lines belong to: its job's row while the model still holds it.
int RowOfSlot(BatchEngine& engine, std::size_t slot)
{
    const ConversionJob& job = engine.Encoders().Job(slot);
    if (job.rowId == 0)
        return -1;
    return engine.Model().IndexOf(job.rowId).value_or(-1);
}

// Whether `row` is the lowest row an encoder works on now: the status line follows it.
bool LowestRunningRow(BatchEngine& engine, int row)
{
    EncoderPool& encoders = engine.Encoders();
    for (std::size_t slot = 0; slot < encoders.Count(); ++slot) {
        const int other = engine.Model().IndexOf(encoders.Job(slot).rowId).value_or(-1);
        if (other >= 0 && other < row && encoders.Busy(slot))
            return false;
    }
    return true;
}

} // namespace

const char* const kConversionFailed = "Conversion failed!";

int ElapsedSeconds(const std::string& line)
{
    // The time starts after "time="; without one, at position 4 of the line itself.
    const std::size_t found = line.find("time=");
    std::string_view time = Take(line, found == std::string::npos ? 4 : found + 5, std::string::npos);
    // A time before the start (the first frames, moved back by an audio codec's delay)
    // has a minus sign.
    const bool beforeStart = !time.empty() && time[0] == '-';
    if (beforeStart)
        time.remove_prefix(1);
    // Hours have two digits, and more from 100 hours on.
    std::size_t hours = 2;
    if (time.size() > 2 && IsDigit(time[0]) && IsDigit(time[1]))
        while (hours < kMostHourDigits && hours < time.size() && IsDigit(time[hours]))
            ++hours;
    const long long seconds = StrToInt(Trim(Take(time, 0, hours))) * 3600LL
        + StrToInt(Trim(Take(time, hours + 1, 2))) * 60LL + StrToInt(Trim(Take(time, hours + 4, 2)));
    if (beforeStart)
        return -1;
    return static_cast<int>(std::min<long long>(seconds, INT_MAX));
}

namespace {

// hh:mm:ss with an optional fraction, at the start of `time`, in milliseconds; -1 for
// anything else ("N/A", a negative time) and for a time that `time` ends inside of.
long long ClockMilliseconds(std::string_view time)
{
    long long fields[3] {};
    std::size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        if (i > 0 && (at >= time.size() || time[at++] != ':'))
            return -1;
        const std::size_t start = at;
        while (at < time.size() && time[at] >= '0' && time[at] <= '9' && at - start < 9)
            fields[i] = fields[i] * 10 + (time[at++] - '0');
        if (at == start)
            return -1;
    }
    long long milliseconds = ((fields[0] * 60 + fields[1]) * 60 + fields[2]) * 1000;
    if (at < time.size() && time[at] == '.') {
        long long scale = 100;
        for (++at; at < time.size() && time[at] >= '0' && time[at] <= '9'; ++at, scale /= 10)
            milliseconds += (time[at] - '0') * scale;
    }
    if (at == time.size())
        return -1;
    return milliseconds;
}

} // namespace

long long WrittenMilliseconds(const std::string& line)
{
    if (!StartsWith(line, "frame=") && !StartsWith(line, "size="))
        return -1;
    const std::size_t found = line.find("time=");
    if (found == std::string::npos)
        return -1;
    // A line that stops inside its time was read before the encoder finished writing it.
    return ClockMilliseconds(std::string_view(line).substr(found + 5));
}

long long DurationMilliseconds(const std::string& line)
{
    const std::size_t start = line.find_first_not_of(' ');
    constexpr std::string_view kDuration = "Duration: ";
    if (start == std::string::npos || line.compare(start, kDuration.size(), kDuration) != 0)
        return -1;
    return ClockMilliseconds(std::string_view(line).substr(start + kDuration.size()));
}

int Percent(int elapsed, int duration)
{
    if (duration == 0)
        return 0;
    // Exact: 29 s of 100 s is 29 %, which the product of a floating-point quotient
    // would truncate to 28.
    // A time of many hours over a short playing time stays within an int.
    return static_cast<int>(
        std::min<std::int64_t>(static_cast<std::int64_t>(elapsed) * 100 / duration, std::numeric_limits<int>::max()));
}

bool SaysWhatWentWrong(const std::string& line)
{
    for (const char* word : { "rror", "No space", "Invalid", "denied", "No such file", "not found", "Disk quota" })
        if (line.find(word) != std::string::npos)
            return true;
    return false;
}

bool SaysWriteFailed(const std::string& line)
{
    for (const char* words : { "Error writing trailer", "Error closing file", "No space left on device",
             "Disk quota exceeded", "av_interleaved_write_frame():", "Input/output error" })
        if (line.find(words) != std::string::npos)
            return true;
    return false;
}

bool SaysDiskFull(const std::string& line)
{
    return line.find("No space left on device") != std::string::npos
        || line.find("Disk quota exceeded") != std::string::npos;
}

bool TimeCutShort(const std::string& line)
{
    const std::size_t found = line.find("time=");
    if (found == std::string::npos)
        return true;
    std::size_t at = found + 5;
    if (at < line.size() && line[at] == '-')
        ++at;
    std::size_t hours = 0;
    while (at + hours < line.size() && IsDigit(line[at + hours]))
        ++hours;
    return line.size() < at + std::max<std::size_t>(hours, 2) + 6; // "hh:mm:ss"
}

bool TimeUnknown(const std::string& line)
{
    const std::size_t found = line.find("time=");
    return found != std::string::npos && line.compare(found + 5, 3, "N/A") == 0;
}

void ShowProgress(BatchEngine& engine, std::size_t slot, const std::string& line)
{
    if (line.empty())
        return;
    const int row = RowOfSlot(engine, slot);
    if (row < 0)
        return;
    ConversionJob& job = engine.Encoders().Job(slot);
    if (const long long written = WrittenMilliseconds(line); written >= 0)
        job.writtenMilliseconds = written;
    if (!StartsWith(line, "frame=")) {
        // "size=" lines are the progress of a file without pictures.
        std::string said = Trim(line);
        if (said.empty() || said == kConversionFailed || StartsWith(line, "size="))
            return;
        // The encoder names the temporary file; the user knows the final one.
        if (job.output) {
            const std::string& partial = job.output->Path();
            for (std::size_t at; (at = said.find(partial)) != std::string::npos;)
                said.replace(at, partial.size(), job.output->FinalPath());
        }
        job.lastLine = said;
        const bool writeFailed = SaysWriteFailed(said);
        if (SaysDiskFull(said))
            job.outputBlocked = true;
        // The row's hint, given when the job ends, names what went wrong rather than
        // whatever came last ("2 frames left in the queue on closing" after a write error
        // explains nothing). The line that says why the file could not be written stays
        // over the encoder's summary after it ("Error initializing output stream 0:0 --",
        // whose detail it printed before). Nothing is written to the row here: a damaged
        // source can print hundreds of such lines a second.
        const bool saysNothingNew = said.size() >= 2 && said.compare(said.size() - 2, 2, "--") == 0;
        const bool keepsEarlier = !job.failureLine.empty() && (saysNothingNew || (job.writeFailed && !writeFailed));
        if ((writeFailed || SaysWhatWentWrong(said)) && !keepsEarlier)
            job.failureLine = said;
        if (writeFailed)
            job.writeFailed = true;
        // Under a limit: the encoder refuses the bitrate, or the first pass's statistics.
        if (job.aim.limitBytes > 0)
            size_aim::NoteEncoderLine(job.aim, said);
        // The source's length, when the media library could not tell it, as the encoder
        // read it: the first "Duration:" is its input's.
        if (said.find("Estimating duration from bitrate") != std::string::npos)
            job.durationGuessed = true;
        // A line read before its time was complete comes again, longer: it counts once
        // its time can be read.
        if (StartsWith(said, "Duration:") && !job.durationLineSeen) {
            const long long duration = DurationMilliseconds(said);
            const bool cut = said.find_first_not_of("0123456789:.", said.find(':') + 2) == std::string::npos;
            if (duration >= 0 || !cut) {
                if (!job.durationGuessed && job.sourceMilliseconds <= 0 && duration > 0)
                    job.sourceMilliseconds = duration;
                job.durationLineSeen = true;
            }
        }
        return;
    }
    const bool shown = LowestRunningRow(engine, row);
    if (TimeUnknown(line)) {
        if (shown)
            engine.View().Status(line);
        return;
    }
    // The runner hands on a line as far as it has been read: a progress line cut before
    // its time is complete is finished by the next piece, and is no error.
    if (TimeCutShort(line))
        return;
    const int elapsed = ElapsedSeconds(line);
    if (elapsed < 0) {
        // Before the start: no progress yet, as with an unknown time.
        if (shown)
            engine.View().Status(line);
        return;
    }
    job.elapsedSeconds = elapsed;
    engine.View().RowPercent(row, size_aim::RowPercent(job, elapsed, job.playingSeconds));
    if (shown)
        engine.View().Status(line);
}

} // namespace ondrevo::progress
