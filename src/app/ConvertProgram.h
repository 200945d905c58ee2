#pragma once
// ondrevo-convert: converts files and folders with the window's choices, as the window's
// batch does, without a window or a display. Reads its settings file and changes nothing
// in it. Returns the exit status: 0 every file converted or skipped, 1 some failed, 2 a
// usage or set-up error (nothing converted), 130 or 143 stopped by SIGINT or SIGTERM.

#include "conversion/BatchChoices.h"

#include <string>
#include <vector>

namespace ondrevo {

namespace choices {
struct Values;
struct Catalogues;
} // namespace choices

int RunConvertProgram(int argc, char** argv);

// The engine's choices from the settings file's values and catalogues, and the output
// folder.
BatchChoices ChoicesOf(const choices::Values& values, const choices::Catalogues& catalogues, std::string outputFolder);

// The entries `label` takes (for the selectors, those of the chosen Audio Codec), for
// --list and for the message of a refused --set; empty for no label.
std::vector<std::string> EntriesOf(
    const std::string& label, const choices::Values& values, const choices::Catalogues& catalogues);

} // namespace ondrevo
