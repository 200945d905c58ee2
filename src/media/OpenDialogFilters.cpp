#include "media/OpenDialogFilters.h"

namespace ondrevo {

const char* const kOpenDialogTitle = "Add video files";

// The first entry also takes the container types that came after the fourteen entries
// were laid down (Matroska, WebM, MPEG program and transport streams, Ogg, camcorder and
// DVD recorder files, ...), so a file of today's kind shows, can be typed without
// choosing "all files", and is found in a dropped folder.
const std::array<OpenDialogFilter, kOpenDialogFilterCount> kOpenDialogFilters = { {
    { "all video files",
        "*.mp4;*.asf;*.avi;*.qt;*.vob;*.mov;*.flv;*.mpq;*.wmv;*.3gp;*.3g2;*.rm;*.rmvb;"
        "*.mkv;*.webm;*.m4v;*.mpg;*.mpeg;*.m2v;*.ts;*.m2ts;*.mts;*.ogv;*.divx;*.f4v;*.3gpp;*.dv;"
        "*.mod;*.tod;*.vro;*.mxf;*.ogm;*.mpe;*.m2p;*.wtv;*.3gp2" },
    { "mp4 video file", "*.mp4" },
    { "asf video file", "*.asf" },
    { "avi video file", "*.avi" },
    { "qt video file", "*.qt" },
    { "vob video file", "*.vob" },
    { "rm video file", "*.rm" },
    { "rmvb video file", "*.rmvb" },
    { "flv video file", "*.flv" },
    { "mov video file", "*.mov" },
    { "mpq video file", "*.mpq" },
    { "wmv video file", "*.wmv" },
    { "3gp video file", "*.3gp" },
    { "3g2 video file", "*.3g2" },
    { "all files", "*" },
} };

std::vector<std::string> FilterPatterns(const OpenDialogFilter& filter)
{
    std::vector<std::string> patterns;
    std::string pattern;
    for (const char* c = filter.pattern;; ++c) {
        if (*c == ';' || *c == '\0') {
            if (!pattern.empty())
                patterns.push_back(pattern);
            pattern.clear();
            if (*c == '\0')
                break;
        } else {
            pattern += *c;
        }
    }
    return patterns;
}

std::string NameFilter(const OpenDialogFilter& filter)
{
    std::string text = std::string(filter.label) + " (";
    bool first = true;
    for (const std::string& pattern : FilterPatterns(filter)) {
        if (!first)
            text += ' ';
        text += pattern;
        first = false;
    }
    return text + ")";
}

int FindOpenDialogFilter(const std::string& labelOrNameFilter)
{
    for (std::size_t i = 0; i < kOpenDialogFilters.size(); ++i)
        if (labelOrNameFilter == kOpenDialogFilters[i].label || labelOrNameFilter == NameFilter(kOpenDialogFilters[i]))
            return static_cast<int>(i);
    return -1;
}

void OpenDialogMemory::Accept(int filterIndex, const std::string& fileName)
{
    if (filterIndex >= 0 && filterIndex < static_cast<int>(kOpenDialogFilters.size()))
        filterIndex_ = filterIndex;
    fileName_ = fileName;
}

} // namespace ondrevo
