#include "conversion/EncoderValues.h"

#include <cstdlib>

namespace ondrevo::encoder_values {

long long BitrateValue(const std::string& text)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || value <= 0)
        return -1;
    double scale = 1;
    if (*end == 'k' || *end == 'K')
        scale = 1000, ++end;
    else if (*end == 'M' || *end == 'm')
        scale = 1000000, ++end;
    return *end == '\0' ? static_cast<long long>(value * scale) : -1;
}

double RateValue(const std::string& text)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || value <= 0)
        return 0;
    if (*end == '/') {
        const double divisor = std::strtod(end + 1, &end);
        return divisor > 0 && *end == '\0' ? value / divisor : 0;
    }
    return *end == '\0' ? value : 0;
}

} // namespace ondrevo::encoder_values
