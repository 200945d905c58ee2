#include "parameters/SizeLimit.h"

#include "parameters/OneRowSetting.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace ondrevo::size_limit {
namespace {

constexpr OneRowColumn kColumns[] = { { "limit_kb", "integer" }, { "limit_cut", "integer" } };
constexpr OneRowSetting kStored { "convert_sizelimit", "limit_numb", kColumns };

struct Entry {
    const char* name;
    long long kilobytes;
};

// The carriers' limits of 300 KB, 600 KB and 1.1 MB (decimal), with room for the
// message's own text and headers; 1.1 MB in binary kilobytes, rounded down.
constexpr Entry kEntries[] = {
    { "No limit", 0 },
    { "295 KB (MMS)", 295 },
    { "590 KB (MMS)", 590 },
    { "1.1 MB (MMS)", 1126 },
};

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

const std::vector<std::string>& EntryNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (const Entry& entry : kEntries)
            list.emplace_back(entry.name);
        return list;
    }();
    return names;
}

long long EntryKilobytes(int index)
{
    return index >= 0 && index < static_cast<int>(std::size(kEntries)) ? kEntries[index].kilobytes : 0;
}

int EntryOf(long long kilobytes)
{
    for (int index = 0; index < static_cast<int>(std::size(kEntries)); ++index)
        if (kEntries[index].kilobytes == kilobytes)
            return index;
    return -1;
}

std::string TypedName(long long kilobytes)
{
    return std::to_string(kilobytes) + " KB";
}

std::optional<long long> ParseKilobytes(const std::string& text)
{
    const std::string trimmed = Trimmed(text);
    for (const Entry& entry : kEntries)
        if (Lower(trimmed) == Lower(entry.name))
            return entry.kilobytes;
    // Digits, at most one decimal point, then an optional unit.
    std::size_t at = 0;
    long long whole = 0;
    long long fraction = 0;
    long long fractionScale = 1;
    bool digits = false;
    while (at < trimmed.size() && std::isdigit(static_cast<unsigned char>(trimmed[at]))) {
        whole = whole * 10 + (trimmed[at++] - '0');
        digits = true;
        if (whole > kMostKilobytes)
            return std::nullopt;
    }
    if (at < trimmed.size() && (trimmed[at] == '.' || trimmed[at] == ',')) {
        ++at;
        while (at < trimmed.size() && std::isdigit(static_cast<unsigned char>(trimmed[at]))) {
            if (fractionScale < 1000) {
                fraction = fraction * 10 + (trimmed[at] - '0');
                fractionScale *= 10;
            }
            ++at;
            digits = true;
        }
    }
    if (!digits)
        return std::nullopt;
    const std::string unit = Lower(Trimmed(trimmed.substr(at)));
    long long kilobytes = 0;
    if (unit.empty() || unit == "kb" || unit == "k" || unit == "kib") {
        if (fraction != 0)
            return std::nullopt; // a part of a kilobyte is no size anyone means
        kilobytes = whole;
    } else if (unit == "mb" || unit == "m" || unit == "mib") {
        kilobytes = whole * 1024 + fraction * 1024 / fractionScale;
    } else {
        return std::nullopt;
    }
    if (kilobytes < kLeastKilobytes || kilobytes > kMostKilobytes)
        return std::nullopt;
    return kilobytes;
}

namespace {
constexpr const char* kRefusalStart = "Largest file size stays as it was: \"";
} // namespace

std::string RefusalText(const std::string& typed)
{
    return kRefusalStart + typed + "\" is no size in KB from " + std::to_string(kLeastKilobytes) + " to "
        + std::to_string(kMostKilobytes) + " (such as 300)";
}

bool IsRefusalText(const std::string& text)
{
    return text.rfind(kRefusalStart, 0) == 0;
}

std::string ShowBytes(long long bytes)
{
    char text[32];
    if (bytes < 1024 * 1024) {
        std::snprintf(text, sizeof text, "%lld KB", (bytes + 1023) / 1024);
        return text;
    }
    // Rounded up to a tenth, so a need is never shown smaller than it is.
    const long long tenths = (bytes * 10 + 1024 * 1024 - 1) / (1024 * 1024);
    std::snprintf(text, sizeof text, "%lld.%lld MB", tenths / 10, tenths % 10);
    return text;
}

Choice Read(TSqliteQuery& query)
{
    const auto row = kStored.Read(query);
    if (!row)
        return {};
    Choice choice;
    const long long kilobytes = (*row)[0].integer;
    // A hand-edited value outside what can be typed means no limit rather than a wrong one.
    if (kilobytes >= kLeastKilobytes && kilobytes <= kMostKilobytes)
        choice.kilobytes = kilobytes;
    choice.cutToFit = (*row)[1].integer == 1;
    return choice;
}

void Save(TSqliteQuery& query, const Choice& choice)
{
    kStored.Save(query, { choice.kilobytes, choice.cutToFit ? 1LL : 0LL });
}

} // namespace ondrevo::size_limit
