// Fuzzes the reading of the encoder's output lines, as the batch engine is fed them. The
// input is the row's playing time in seconds (digits) and an output line, split at the
// first NUL byte. Checked on every input:
//  - a line shaped like those the encoder prints ("frame=", then after "time=" either
//    "N/A" or a time [-]hh:mm:ss[.ff], with more hour digits past 99 hours) never
//    raises: the user would get an error box in the middle of a batch;
//  - any other line either succeeds or raises EConvertError, and a raised error tells
//    the view nothing;
//  - a progress line with a known time tells a percent from 0 to 100 and the whole line
//    as the status; an unknown time ("N/A") only the status; a line cut before its time
//    is complete tells nothing;
//  - any other line tells nothing, and only notes itself in the job.

#include "base/Errors.h"
#include "base/PlainEventLoop.h"
#include "conversion/BatchEngine.h"
#include "conversion/Progress.h"
#include "parameters/TSqlDatMod.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace ondrevo;

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "progress invariant broken: %s\n", what);
        std::abort();
    }
}

bool Digits(const std::string& text, std::size_t from, std::size_t count)
{
    if (from + count > text.size())
        return false;
    for (std::size_t i = from; i < from + count; ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    return true;
}

// A progress line as the encoder prints it, whatever the fields before and after the time.
bool EncoderShaped(const std::string& line)
{
    if (line.rfind("frame=", 0) != 0)
        return false;
    const std::size_t found = line.find("time=");
    if (found == std::string::npos)
        return false;
    std::size_t at = found + 5;
    if (line.compare(at, 3, "N/A") == 0)
        return true;
    if (at < line.size() && line[at] == '-')
        ++at;
    std::size_t hours = 0;
    while (Digits(line, at + hours, 1))
        ++hours;
    if (hours < 2 || hours > 7)
        return false;
    at += hours;
    return at + 6 <= line.size() && line[at] == ':' && Digits(line, at + 1, 2) && line[at + 3] == ':'
        && Digits(line, at + 4, 2);
}

// Keeps what it is told of the row's percent and the status.
class Told : public IBatchView {
public:
    void BatchStarted() override { ++calls; }
    void RowStarted(int, std::size_t) override { ++calls; }
    void RowPhaseChanged(int, RowPhase, const std::string&) override { ++calls; }
    void RowPercent(int, int value) override
    {
        ++calls;
        percent = value;
    }
    void RowFacts(int, const SourceFacts&) override { ++calls; }
    void RowLength(int, long long, long long) override { ++calls; }
    void Status(const std::string& text) override
    {
        ++calls;
        status = text;
    }
    void BatchProgress(int, const std::string&) override { ++calls; }
    void BatchPaused(bool) override { ++calls; }
    void BatchEnded(const BatchEnd&) override { ++calls; }
    void EncoderEnded(std::size_t, bool) override { ++calls; }

    int calls = 0;
    int percent = -1;
    std::string status;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static PlainEventLoop loop;
    static TSqlDatMod database(":memory:");
    // Only progress lines reach it: no row starts, so its worker never opens the settings.
    static BatchEngine engine(
        loop, []() -> TSqliteQuery& { return database.SqliteQuery(); }, [] { return SettingsPlace { ":memory:" }; });
    if (engine.Model().Count() == 0)
        engine.Model().Append("/clips/a.mp4", 60000);

    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    int seconds = 60;
    if (split != std::string::npos && split > 0 && split <= 6
        && input.substr(0, split).find_first_not_of("0123456789") == std::string::npos)
        seconds = std::atoi(input.substr(0, split).c_str());
    const std::string line = split == std::string::npos ? input : input.substr(split + 1);
    Told told;
    engine.SetView(&told);
    ConversionJob& job = engine.Encoders().Job(0);
    job = ConversionJob {};
    job.rowId = engine.Model().Row(0).id;
    job.playingSeconds = seconds;

    bool raised = false;
    try {
        progress::ShowProgress(engine, 0, line);
    } catch (const EConvertError&) {
        raised = true;
    }
    engine.SetView(nullptr);
    const bool progressLine = line.rfind("frame=", 0) == 0;
    if (raised) {
        Check(!EncoderShaped(line), "a line the encoder prints raises no error");
        Check(progressLine, "only progress lines are parsed");
        Check(told.calls == 0, "a line that cannot be read tells nothing");
        return 0;
    }
    if (!progressLine) {
        Check(told.calls == 0, "other lines tell nothing");
        return 0;
    }
    if (!progress::TimeCutShort(line) || progress::TimeUnknown(line))
        Check(told.status == line, "the status shows the whole progress line");
    if (progress::TimeUnknown(line)) {
        Check(told.percent == -1, "an unknown time tells no percent");
        return 0;
    }
    if (progress::TimeCutShort(line)) {
        Check(told.calls == 0, "a cut line tells nothing");
        return 0;
    }
    Check(told.percent == -1 || (told.percent >= 0 && told.percent <= 100), "the percent is within 0..100");
    return 0;
}
