#include "conversion/Progress.h"

#include "base/Controls.h"
#include "base/Errors.h"
#include "base/IntegerText.h"
#include "conversion/BatchControls.h"

namespace ondrevo::progress {
namespace {

constexpr int kPlayingTimeCell = 2;
constexpr int kPercentCell = 3;

// Up to `count` characters from `position` (0-based); fewer, or none, past the end.
std::string_view Take(std::string_view text, std::size_t position, std::size_t count)
{
    return position < text.size() ? text.substr(position, count) : std::string_view {};
}

bool StartsWith(const std::string& line, const char* prefix)
{
    return line.rfind(prefix, 0) == 0;
}

// The row at the cursor, or -1 when the cursor names none (a stopped encoder that is
// still ending after the list was cleared or shortened).
int RowAtCursor(const BatchControls& controls)
{
    int row = -1;
    try {
        row = StrToInt(controls.cursor.Text());
    } catch (const EConvertError&) {
        return -1;
    }
    return row >= 0 && row < controls.fileList.RowCount() ? row : -1;
}

} // namespace

const char* const kConversionFailed = "Conversion failed!";

int PlayingSeconds(const BatchControls& controls)
{
    const std::string cell = controls.fileList.SubItem(StrToInt(controls.cursor.Text()), kPlayingTimeCell);
    // hh:mm:ss, seconds first; the separators are not looked at.
    const int seconds = StrToInt(Take(cell, 6, 2));
    const int minutes = StrToInt(Take(cell, 3, 2));
    const int hours = StrToInt(Take(cell, 0, 2));
    return hours * 3600 + minutes * 60 + seconds;
}

int ElapsedSeconds(const std::string& line)
{
    // Positions count from 1 as in "time=" found at position p - 5; without "time=" the
    // fields are read from position 5 of the line itself.
    const std::size_t found = line.find("time=");
    const std::size_t p = (found == std::string::npos ? 0 : found + 1) + 5;
    int fields[3] {};
    for (std::size_t i = 0; i < 3; ++i)
        fields[i] = StrToInt(Trim(Take(line, p - 1 + 3 * i, 2)));
    return fields[0] * 3600 + fields[1] * 60 + fields[2];
}

int Percent(int elapsed, int duration)
{
    if (duration == 0)
        return 0;
    // The quotient first, then the product, truncated toward zero.
    return static_cast<int>(static_cast<double>(elapsed) / duration * 100.0);
}

bool TimeUnknown(const std::string& line)
{
    const std::size_t found = line.find("time=");
    return found != std::string::npos && line.compare(found + 5, 3, "N/A") == 0;
}

void ShowProgress(BatchControls& controls, const std::string& line)
{
    if (line.empty())
        return;
    const int row = RowAtCursor(controls);
    if (row < 0)
        return;
    if (!StartsWith(line, "frame=")) {
        // The encoder's last word before it fails says why; "size=" lines are the
        // progress of a file without pictures.
        const std::string said = Trim(line);
        if (!said.empty() && said != kConversionFailed && !StartsWith(line, "size="))
            controls.fileList.SetRowHint(row, said);
        return;
    }
    if (TimeUnknown(line)) {
        controls.statusLine.SetText(line);
        return;
    }
    const int duration = PlayingSeconds(controls);
    const int elapsed = ElapsedSeconds(line);
    controls.fileList.SetSubItem(row, kPercentCell, std::to_string(Percent(elapsed, duration)) + "%");
    controls.statusLine.SetText(line);
}

} // namespace ondrevo::progress
