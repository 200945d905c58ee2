#include "app/ConvertOptions.h"

#include <utility>

namespace ondrevo {

ParsedOptions ParseConvertOptions(const std::vector<std::string>& arguments)
{
    ParsedOptions parsed;
    ConvertOptions& o = parsed.options;
    const auto fail = [&](std::string error) {
        parsed.error = std::move(error);
        return parsed;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--") {
            o.paths.insert(o.paths.end(), arguments.begin() + static_cast<long>(i) + 1, arguments.end());
            break;
        }
        if (a.empty() || a[0] != '-' || a == "-") {
            o.paths.push_back(a);
            continue;
        }
        // Options that take a value: "--name VALUE", "--name=VALUE", and "-oVALUE".
        struct Valued {
            const char* longName;
            const char* shortName;
            std::string* single;
            std::vector<std::string>* many;
        } const valued[] = {
            { "--output", "-o", &o.outputFolder, nullptr },
            { "--settings", nullptr, &o.settingsFile, nullptr },
            { "--set", nullptr, nullptr, &o.sets },
            { "--preset", nullptr, &o.preset, nullptr },
        };
        bool taken = false;
        for (const Valued& v : valued) {
            std::string value;
            const std::string longName = v.longName;
            if (a == longName || (v.shortName && a == v.shortName)) {
                if (i + 1 >= arguments.size())
                    return fail(a + " needs a value");
                value = arguments[++i];
            } else if (a.rfind(longName + "=", 0) == 0) {
                value = a.substr(longName.size() + 1);
            } else if (v.shortName && a.rfind(v.shortName, 0) == 0) {
                value = a.substr(2);
            } else {
                continue;
            }
            if (v.single)
                *v.single = value;
            else
                v.many->push_back(value);
            taken = true;
            break;
        }
        if (taken)
            continue;
        if (a == "--list")
            o.list = true;
        else if (a == "--dry-run" || a == "-n")
            o.dryRun = true;
        else if (a == "--json")
            o.json = true;
        else if (a == "--help" || a == "-h")
            o.help = true;
        else
            return fail("unknown option " + a);
    }
    if (!o.help && !o.list && o.paths.empty())
        return fail("no file or folder to convert");
    return parsed;
}

std::string ConvertHelp()
{
    return "Usage: ondrevo-convert [OPTIONS] FILE|FOLDER...\n"
           "Converts video files to 3GP for phones with the choices of Ondrevo's window: files as\n"
           "they are, folders with every video file below them, in path order.\n"
           "\n"
           "Options:\n"
           "  -o, --output DIR       write the outputs to DIR (a full path); default: the window's\n"
           "                         output folder\n"
           "      --settings FILE    read the choices from FILE; default: LibFFmpeg.Dat in the\n"
           "                         folder it runs in. Nothing is ever written to it.\n"
           "      --set LABEL=ENTRY  set one choice by the window's label and entry name, e.g.\n"
           "                         --set \"Video Codec=H.263\" --set \"Files converted at once=2\"\n"
           "      --preset NAME      start from a preset of the window's \"Made for\"\n"
           "      --list             print every label with its entries, and the presets\n"
           "  -n, --dry-run          print each file's encoder command line; convert nothing\n"
           "      --json             one JSON object a line on standard output: each file's\n"
           "                         start, progress (at most once a second) and end, and the\n"
           "                         batch's end\n"
           "  -h, --help             print this help\n"
           "\n"
           "Progress and reasons go to standard error: on a terminal one line per running file\n"
           "and the batch's line, updated in place; otherwise one line as each file starts and\n"
           "ends. Standard input is never read.\n"
           "\n"
           "SIGINT or SIGTERM stops as the window's Stop does: each running file's part is kept\n"
           "when it plays. A second signal ends it at once. No encoder outlives it.\n"
           "\n"
           "Exit status: 0 every file converted or skipped; 1 some failed (each with its reason);\n"
           "2 a usage or set-up error (no encoder, a missing codec, a damaged settings file, an\n"
           "output folder that is no full path), nothing converted; 130 or 143 stopped by SIGINT\n"
           "or SIGTERM.\n";
}

} // namespace ondrevo
