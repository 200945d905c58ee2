#pragma once
// The options of ondrevo-convert, read from its arguments; what it does with them is
// ConvertProgram's.

#include <string>
#include <vector>

namespace ondrevo {

struct ConvertOptions {
    std::vector<std::string> paths; // files and folders, in the order given
    std::string outputFolder; // -o; empty: the settings file's
    std::string settingsFile = "LibFFmpeg.Dat"; // --settings; relative to where it runs
    std::vector<std::string> sets; // --set "LABEL=ENTRY", in order
    std::string preset; // --preset
    bool list = false;
    bool dryRun = false;
    bool json = false;
    bool help = false;
};

struct ParsedOptions {
    ConvertOptions options;
    std::string error; // a usage error; empty when the arguments are well formed
};

// Reads `arguments` (without the program's name). "--" ends the options; "-o DIR",
// "-oDIR", "--output DIR" and "--output=DIR" alike, and so for --settings, --set and
// --preset.
ParsedOptions ParseConvertOptions(const std::vector<std::string>& arguments);

// The text --help prints.
std::string ConvertHelp();

} // namespace ondrevo
