#pragma once
// Integers held in texts (the cursor, playing times, progress fields) are read with
// one rule: optional leading spaces, an optional sign, decimal digits, nothing after.

#include <string>
#include <string_view>

namespace ondrevo {

// Raises EConvertError "'<text>' is not a valid integer value" when the text does not
// hold a decimal integer that fits in an int.
int StrToInt(std::string_view text);

// Removes spaces and control characters (bytes up to 32) at both ends.
std::string Trim(std::string_view text);

} // namespace ondrevo
