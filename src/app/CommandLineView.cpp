#include "app/CommandLineView.h"

#include "conversion/BatchModel.h"

#include <algorithm>

namespace ondrevo {
namespace {

// Redraws of the lines in place, at most this often: a terminal over ssh keeps up.
constexpr std::chrono::milliseconds kRedrawInterval { 250 };
constexpr std::chrono::seconds kJsonProgressInterval { 1 };

const char* Outcome(RowPhase phase, const std::string& reason)
{
    switch (phase) {
    case RowPhase::Converted:
        return reason.rfind("Skipped", 0) == 0 ? "skipped" : "converted";
    case RowPhase::Failed:
        return "failed";
    case RowPhase::Stopped:
        return "stopped";
    default:
        return "converting";
    }
}

// `text` with its control characters as escapes: \n, \r, \t, and the others as
// "\u00XX" in JSON (where quotes and backslashes are escaped too), "\xXX" on a line.
std::string Escaped(const std::string& text, bool json)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (json && (c == '"' || c == '\\')) {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (byte < 0x20 || (!json && byte == 0x7f)) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, json ? "\\u%04x" : "\\x%02x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

// `text` on one line whatever it holds, so that each event stays one line for whoever
// reads them and a name cannot move the terminal's cursor.
std::string OneLine(const std::string& text)
{
    return Escaped(text, false);
}

// Writes `text` as one line.
void WriteLine(std::FILE* file, const std::string& text)
{
    std::fprintf(file, "%s\n", OneLine(text).c_str());
}

} // namespace

CommandLineView::CommandLineView(const BatchModel& model, std::FILE* progress, Lines lines, std::FILE* json)
    : model_(model)
    , progress_(progress)
    , lines_(lines)
    , json_(json)
{
}

std::string CommandLineView::JsonString(const std::string& text)
{
    return "\"" + Escaped(text, true) + "\"";
}

std::string CommandLineView::Name(int row) const
{
    return row >= 0 && row < model_.Count() ? model_.Row(row).source : std::string();
}

void CommandLineView::Json(const std::string& object)
{
    if (!json_)
        return;
    std::fputs(object.c_str(), json_);
    std::fputc('\n', json_);
    std::fflush(json_);
}

void CommandLineView::ClearDrawn()
{
    if (lines_ != Lines::Terminal || drawnLines_ == 0)
        return;
    // Up to the first drawn line, then erase to the end of the screen.
    std::fprintf(progress_, "\r\x1b[%dA\x1b[J", drawnLines_);
    drawnLines_ = 0;
}

void CommandLineView::Redraw(bool now)
{
    if (lines_ != Lines::Terminal)
        return;
    const Clock::time_point at = Clock::now();
    if (!now && at - lastDraw_ < kRedrawInterval)
        return;
    lastDraw_ = at;
    ClearDrawn();
    for (const auto& [row, percent] : running_) {
        std::fprintf(progress_, "%3d%%  %s\n", percent, OneLine(Name(row)).c_str());
        ++drawnLines_;
    }
    if (!batchLine_.empty()) {
        WriteLine(progress_, batchLine_);
        ++drawnLines_;
    }
    std::fflush(progress_);
}

void CommandLineView::RowStarted(int row, std::size_t)
{
    running_.emplace_back(row, 0);
    if (lines_ == Lines::Plain) {
        WriteLine(progress_, "Converting " + Name(row));
        std::fflush(progress_);
    } else {
        Redraw(true);
    }
    Json("{\"event\":\"start\",\"row\":" + std::to_string(row) + ",\"file\":" + JsonString(Name(row)) + "}");
}

void CommandLineView::RowPhaseChanged(int row, RowPhase phase, const std::string& reason)
{
    phases_[row] = phase;
    skipped_[row] = phase == RowPhase::Converted && reason.rfind("Skipped", 0) == 0;
    if (phase == RowPhase::Converting || phase == RowPhase::Waiting)
        return;
    running_.erase(std::remove_if(running_.begin(), running_.end(), [row](const auto& r) { return r.first == row; }),
        running_.end());
    const char* outcome = Outcome(phase, reason);
    ClearDrawn();
    std::string line = std::string(1, static_cast<char>(outcome[0] - 'a' + 'A')) + (outcome + 1) + " " + Name(row);
    // A skipped row's reason says "Skipped: ..." as the window's hint does; the line
    // already begins with the word.
    const std::string skippedPrefix = "Skipped: ";
    if (skipped_[row] && reason.rfind(skippedPrefix, 0) == 0)
        line += ": " + reason.substr(skippedPrefix.size());
    else if (!reason.empty() && phase != RowPhase::Converted)
        line += ": " + reason;
    else if (!reason.empty())
        line += " (" + reason + ")";
    WriteLine(progress_, line);
    std::fflush(progress_);
    Redraw(true);
    Json("{\"event\":\"end\",\"row\":" + std::to_string(row) + ",\"file\":" + JsonString(Name(row)) + ",\"outcome\":\""
        + outcome + "\",\"reason\":" + JsonString(reason) + "}");
}

void CommandLineView::RowPercent(int row, int percent)
{
    for (auto& r : running_)
        if (r.first == row)
            r.second = percent;
    Redraw(false);
    if (!json_)
        return;
    const Clock::time_point at = Clock::now();
    const auto last = lastJsonProgress_.find(row);
    if (last != lastJsonProgress_.end() && at - last->second < kJsonProgressInterval)
        return;
    lastJsonProgress_[row] = at;
    Json("{\"event\":\"progress\",\"row\":" + std::to_string(row) + ",\"file\":" + JsonString(Name(row))
        + ",\"percent\":" + std::to_string(percent) + "}");
}

void CommandLineView::Status(const std::string& text)
{
    // The encoder's progress lines are the window's status line; here the rows' percents
    // say as much. What the batch waits for is told.
    if (text.rfind("frame=", 0) == 0 || text.rfind("size=", 0) == 0 || text.empty())
        return;
    ClearDrawn();
    WriteLine(progress_, text);
    std::fflush(progress_);
    Redraw(true);
}

void CommandLineView::BatchProgress(int, const std::string& text)
{
    batchLine_ = text;
    Redraw(false);
}

void CommandLineView::BatchEnded(const BatchEnd& end)
{
    ClearDrawn();
    batchLine_.clear();
    running_.clear();
    // The window's hint after a stop names its list's menu; the files stopped say enough.
    if (!end.status.empty() && end.status.rfind("Stopped.", 0) != 0)
        WriteLine(progress_, end.status);
    if (!end.summary.empty())
        WriteLine(progress_, end.summary);
    std::fflush(progress_);
    int converted = 0;
    int skipped = 0;
    int failed = 0;
    int stopped = 0;
    for (const auto& [row, phase] : phases_) {
        skipped += skipped_[row];
        converted += phase == RowPhase::Converted && !skipped_[row];
        failed += phase == RowPhase::Failed;
        stopped += phase == RowPhase::Stopped;
    }
    Json(std::string("{\"event\":\"batch-end\",\"complete\":") + (end.complete ? "true" : "false")
        + ",\"converted\":" + std::to_string(converted) + ",\"skipped\":" + std::to_string(skipped)
        + ",\"failed\":" + std::to_string(failed) + ",\"stopped\":" + std::to_string(stopped)
        + ",\"summary\":" + JsonString(end.summary) + "}");
    ended_ = true;
}

void CommandLineView::EncoderEnded(std::size_t, bool anyBusy)
{
    if (ended_ && !anyBusy && onIdle)
        onIdle();
}

int CommandLineView::FailedRows() const
{
    return static_cast<int>(
        std::count_if(phases_.begin(), phases_.end(), [](const auto& p) { return p.second == RowPhase::Failed; }));
}

} // namespace ondrevo
