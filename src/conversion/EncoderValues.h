#pragma once
// The numbers of the encoder's options as the catalogue writes them. Pure.

#include <string>

namespace ondrevo::encoder_values {

// "256k", "1M", "96000" in bits a second; -1 for anything else.
long long BitrateValue(const std::string& text);
// "15", "30000/1001"; 0 for anything else.
double RateValue(const std::string& text);

} // namespace ondrevo::encoder_values
