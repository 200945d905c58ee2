#include "parameters/WidthRatio.h"

#include <sstream>
#include <vector>

namespace ondrevo::width_ratio {
namespace {

constexpr const char* kWidth = "{width}";
constexpr const char* kHeight = "{height}";

// The fragment's words, split at blanks as the encoder gets them.
std::vector<std::string> Words(const std::string& fragment)
{
    std::vector<std::string> words;
    std::istringstream in(fragment);
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

bool IsDimension(const std::string& digits)
{
    return !digits.empty() && digits.size() <= 5 && digits.find_first_not_of("0123456789") == std::string::npos
        && std::stoi(digits) > 0;
}

// The width and height of the last "-s WIDTHxHEIGHT" (the one the encoder takes).
std::optional<std::pair<std::string, std::string>> SizeOf(const std::string& sizeFragment)
{
    const std::vector<std::string> words = Words(sizeFragment);
    for (std::size_t i = words.size(); i-- > 1;) {
        if (words[i - 1] != "-s")
            continue;
        const std::string& value = words[i];
        const std::size_t x = value.find('x');
        if (x == std::string::npos || !IsDimension(value.substr(0, x)) || !IsDimension(value.substr(x + 1)))
            return std::nullopt;
        return std::make_pair(value.substr(0, x), value.substr(x + 1));
    }
    return std::nullopt;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

} // namespace

// Fit: the largest picture of the source's display shape (its pixel aspect and, as the
// encoder turns it upright first, its rotation taken into account) within the frame,
// square pixels, centred on black. Fill: the smallest that covers the frame, cut to it
// around its centre.
const std::array<ShapeEntry, 2> kShapeEntries = { {
    { "Fit with black bars",
        "-vf scale=w='max(2,min({width},round({height}*dar)))':h='max(2,min({height},round({width}/dar)))',"
        "setsar=1,pad={width}:{height}:-1:-1" },
    { "Fill (crop)",
        "-vf scale=w='max({width},round({height}*dar))':h='max({height},round({width}/dar))',"
        "setsar=1,crop={width}:{height}" },
} };

std::string ForSize(const std::string& ratioFragment, const std::string& sizeFragment)
{
    if (ratioFragment.find(kWidth) == std::string::npos && ratioFragment.find(kHeight) == std::string::npos)
        return ratioFragment;
    const auto size = SizeOf(sizeFragment);
    if (!size)
        return "";
    std::string fragment = ratioFragment;
    ReplaceAll(fragment, kWidth, size->first);
    ReplaceAll(fragment, kHeight, size->second);
    return fragment;
}

} // namespace ondrevo::width_ratio
