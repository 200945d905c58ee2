#include "conversion/EncoderArguments.h"

namespace ondrevo {
namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

std::vector<std::string> EncoderArguments(const std::string& fragment)
{
    std::vector<std::string> arguments;
    std::size_t i = 0;
    while (i < fragment.size()) {
        while (i < fragment.size() && IsBlank(fragment[i]))
            ++i;
        const std::size_t start = i;
        while (i < fragment.size() && !IsBlank(fragment[i]))
            ++i;
        if (i > start)
            arguments.emplace_back(fragment, start, i - start);
    }
    return arguments;
}

} // namespace ondrevo
