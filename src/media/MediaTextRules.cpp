#include "media/MediaTextRules.h"

#include <charconv>
#include <optional>

namespace ondrevo {

const char* const kAddedPlayingTimeDefault = "02:50:00";
const char* const kDetailsPlayingTimeDefault = "02:00:00";

namespace {

constexpr std::size_t kPlayingTimeLength = 8;
constexpr std::size_t kUnitLength = 3; // "MiB"

std::string CutUnit(const std::string& text)
{
    if (text.size() <= kUnitLength)
        return "MB";
    return text.substr(0, text.size() - kUnitLength) + "MB";
}

std::optional<unsigned long long> ByteCount(const std::string& text)
{
    unsigned long long bytes = 0;
    const char* end = text.data() + text.size();
    auto [rest, error] = std::from_chars(text.data(), end, bytes);
    if (text.empty() || error != std::errc() || rest != end)
        return std::nullopt;
    return bytes;
}

} // namespace

std::string PlayingTimeText(const std::string& duration, const std::string& whenEmpty)
{
    if (duration.empty())
        return whenEmpty;
    return duration.substr(0, kPlayingTimeLength);
}

long long PlayingTimeMilliseconds(const std::string& hhmmss)
{
    if (hhmmss.size() != kPlayingTimeLength || hhmmss[2] != ':' || hhmmss[5] != ':')
        return 0;
    long long seconds = 0;
    for (std::size_t at : { std::size_t { 0 }, std::size_t { 3 }, std::size_t { 6 } }) {
        const char high = hhmmss[at], low = hhmmss[at + 1];
        if (high < '0' || high > '9' || low < '0' || low > '9')
            return 0;
        seconds = seconds * 60 + (high - '0') * 10 + (low - '0');
    }
    return seconds * 1000;
}

bool SizeTextNeedsByteCount(const std::string& fileSizeString4)
{
    return fileSizeString4.size() > kUnitLength && !fileSizeString4.ends_with(" MiB");
}

std::string SizeText(const std::string& fileSizeString4, const std::string& fileSizeBytes)
{
    if (SizeTextNeedsByteCount(fileSizeString4))
        if (auto bytes = ByteCount(fileSizeBytes))
            return MegabytesText(*bytes);
    return CutUnit(fileSizeString4);
}

std::string MegabytesText(unsigned long long bytes)
{
    // to_chars keeps the decimal point whatever the locale's number format.
    char text[64];
    const double mebibytes = static_cast<double>(bytes) / (1024.0 * 1024.0);
    const auto result = std::to_chars(text, text + sizeof text, mebibytes, std::chars_format::fixed, 3);
    return std::string(text, result.ptr) + " MB";
}

long long MillisecondsText(const std::string& duration)
{
    long long value = 0;
    std::size_t i = 0;
    for (; i < duration.size() && duration[i] >= '0' && duration[i] <= '9' && value < (1LL << 50); ++i)
        value = value * 10 + (duration[i] - '0');
    return value;
}

} // namespace ondrevo
