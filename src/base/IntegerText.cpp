#include "base/IntegerText.h"

#include "base/Errors.h"

#include <climits>

namespace ondrevo {

int StrToInt(std::string_view text)
{
    auto fail = [&]() -> int { throw EConvertError("'" + std::string(text) + "' is not a valid integer value"); };
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    if (i == text.size())
        return fail();
    long long value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return fail();
        value = value * 10 + (c - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            return fail();
    }
    if (negative)
        value = -value;
    if (value > INT_MAX || value < INT_MIN)
        return fail();
    return static_cast<int>(value);
}

std::string Trim(std::string_view text)
{
    std::size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ')
        --e;
    return std::string(text.substr(b, e - b));
}

} // namespace ondrevo
