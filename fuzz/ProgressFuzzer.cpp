// Fuzzes the reading of the encoder's output lines. The input is a playing-time cell and
// an output line, split at the first NUL byte. Checked on every input:
//  - a line shaped like those the encoder prints ("frame=", then after "time=" either
//    "N/A" or a time [-]hh:mm:ss[.ff], with more hour digits past 99 hours) in a row whose
//    playing time is "hh:mm:ss" never raises: the user would get an error box in the
//    middle of a batch;
//  - any other line either succeeds or raises EConvertError, and a raised error leaves
//    the percent cell and the status line as they were;
//  - a progress line with a known time writes "<integer>%" into the percent cell and the
//    whole line into the status line; an unknown time ("N/A") only the status line; a line
//    cut before its time is complete changes nothing;
//  - any other line changes neither cell nor status line, and only notes itself in the job.

#include "base/Controls.h"
#include "base/Errors.h"
#include "base/PlainEventLoop.h"
#include "conversion/BatchControls.h"
#include "conversion/BatchModel.h"
#include "conversion/EncoderPool.h"
#include "conversion/LoginManager.h"
#include "conversion/Progress.h"
#include "parameters/TSqlDatMod.h"
#include "process/TJvCreateProcess.h"

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

// "hh:mm:ss", as the list shows a playing time.
bool PlayingTimeShaped(const std::string& cell)
{
    return cell.size() == 8 && Digits(cell, 0, 2) && cell[2] == ':' && Digits(cell, 3, 2) && cell[5] == ':'
        && Digits(cell, 6, 2);
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

class OneRowList : public IFileList {
public:
    int RowCount() const override { return 1; }
    void AppendRow(const std::string&, int, const std::vector<std::string>&) override { }
    std::string Caption(int) const override { return "/clips/a.mp4"; }
    int ImageIndex(int) const override { return 3; }
    void SetImageIndex(int, int) override { }
    std::string SubItem(int, int k) const override { return cells.at(static_cast<std::size_t>(k)); }
    void SetSubItem(int, int k, const std::string& text) override { cells.at(static_cast<std::size_t>(k)) = text; }
    std::string RowHint(int) const override { return hint; }
    void SetRowHint(int, const std::string& text) override { hint = text; }
    int Selected() const override { return -1; }
    void DeleteRow(int) override { }
    void DeleteAllRows() override { }
    std::vector<std::string> cells { "mp4", "1.00MB", "00:01:00", "0%" };
    std::string hint;
};

class Edit : public IEdit {
public:
    explicit Edit(std::string text = {})
        : text_(std::move(text))
    {
    }
    std::string Text() const override { return text_; }
    void SetText(const std::string& text) override { text_ = text; }

private:
    std::string text_;
};

struct Nothing : IButton, ICheckBox, ITimer, ITrayIcon, ISleepInhibitor, IDetailsPanel, ILoginManager, IBatchDisplay {
    bool Enabled() const override { return false; }
    void SetEnabled(bool) override { }
    std::string Caption() const override { return {}; }
    void SetCaption(const std::string&) override { }
    bool Checked() const override { return false; }
    void SetChecked(bool) override { }
    int ImageIndex() const override { return 15; }
    void SetImageIndex(int) override { }
    void RestoreApplication() override { }
    bool Held() const override { return false; }
    void SetHeld(bool) override { }
    int RowCount() const override { return 16; }
    void ClearSubItems(int) override { }
    void AppendSubItem(int, const std::string&) override { }
    std::vector<std::string> SubItems(int) const override { return {}; }
    void Connect() override { }
    std::string CanPowerOff() override { return "no"; }
    void PowerOff() override { }
    UniqueFd Inhibit(const std::string&, const std::string&, const std::string&, const std::string&) override
    {
        return {};
    }
    void Show(int, const std::string&) override { }
    void Clear() override { }
    void NotifyIfAway(const std::string&) override { }
    void SetPaused(bool) override { }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static PlainEventLoop loop;
    static TSqlDatMod database(":memory:");
    static TJvCreateProcess encoder(loop);
    static Nothing nothing;
    static EncoderPool encoders(encoder, [](std::size_t) { return nullptr; });
    static BatchModel model;

    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    OneRowList list;
    if (split != std::string::npos)
        list.cells[2] = input.substr(0, split);
    const std::string line = split == std::string::npos ? input : input.substr(split + 1);
    Edit cursor("0"), status("before"), folder("/out");
    BatchControls controls { list, nothing, { &nothing, &nothing, &nothing, &nothing, &nothing }, cursor, status,
        nothing, folder, nothing, encoders, model, nothing, [] { return 1; }, nothing, nothing, nothing, nothing, [] {},
        database.SqliteQuery(), {}, {}, {}, {}, {} };
    encoders.Job(0) = ConversionJob {};

    const std::vector<std::string> before = list.cells;
    bool raised = false;
    try {
        progress::ShowProgress(controls, line);
    } catch (const EConvertError&) {
        raised = true;
    }
    const bool progressLine = line.rfind("frame=", 0) == 0;
    if (raised) {
        Check(!EncoderShaped(line) || !PlayingTimeShaped(before[2]), "a line the encoder prints raises no error");
        Check(progressLine, "only progress lines are parsed");
        Check(list.cells == before, "a line that cannot be read writes no cell");
        Check(status.Text() == "before", "a line that cannot be read leaves the status line");
        return 0;
    }
    if (!progressLine) {
        Check(list.cells == before && status.Text() == "before", "other lines change no cell and no status");
        return 0;
    }
    if (!progress::TimeCutShort(line) || progress::TimeUnknown(line))
        Check(status.Text() == line, "the status line shows the whole progress line");
    if (progress::TimeUnknown(line)) {
        Check(list.cells == before, "an unknown time leaves the percent");
        return 0;
    }
    if (progress::TimeCutShort(line)) {
        Check(list.cells == before && status.Text() == "before", "a cut line changes nothing");
        return 0;
    }
    const std::string& percent = list.cells[3];
    Check(!percent.empty() && percent.back() == '%', "the percent cell ends in %");
    const std::string digits = percent.substr(0, percent.size() - 1);
    Check(!digits.empty() && digits.find_first_not_of("-0123456789") == std::string::npos, "the percent is a number");
    return 0;
}
