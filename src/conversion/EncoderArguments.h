#pragma once
// Turns a command-line fragment of the parameter database into encoder arguments.

#include <string>
#include <vector>

namespace ondrevo {

// Splits `fragment` at blanks (spaces, and tabs or line ends a hand-edited database may
// hold). Runs of blanks count as one and blanks at either end are dropped, so no empty
// argument ever reaches the encoder; an empty or blank fragment gives no argument.
std::vector<std::string> EncoderArguments(const std::string& fragment);

} // namespace ondrevo
