#pragma once
// What the open dialog of Add shows: its title and its filter entries, and what it
// remembers between uses while the program runs. The widget that runs the dialog takes
// everything from here.

#include <array>
#include <string>
#include <vector>

namespace ondrevo {

struct OpenDialogFilter {
    const char* label; // "mp4 video file"
    const char* pattern; // "*.mp4", several joined by ';'
};

extern const char* const kOpenDialogTitle; // "Add video files"

// The entries in the order shown: "all video files", chosen the first time the dialog
// opens, the thirteen single types, and "all files" last. The positions of the first
// fourteen never change, so a remembered position keeps its meaning. The dialog matches
// the patterns in any letter case ("CLIP.MP4").
constexpr std::size_t kOpenDialogFilterCount = 15;
extern const std::array<OpenDialogFilter, kOpenDialogFilterCount> kOpenDialogFilters;

// The entry's patterns one by one: "*.mp4;*.asf" -> {"*.mp4", "*.asf"}.
std::vector<std::string> FilterPatterns(const OpenDialogFilter& filter);

// The entry as a name filter of the form "label (*.a *.b)", the form that toolkit file
// dialogs take.
std::string NameFilter(const OpenDialogFilter& filter);

// The position in kOpenDialogFilters of an entry given by its label or its name filter
// text; -1 when it is none of them.
int FindOpenDialogFilter(const std::string& labelOrNameFilter);

// What the dialog shows again when it reopens: the filter entry of the last accepted
// choice and the file name accepted last. Lives as long as the dialog (the main window),
// not saved anywhere.
class OpenDialogMemory {
public:
    // Position in kOpenDialogFilters; 0 until a choice is accepted.
    int FilterIndex() const { return filterIndex_; }
    // The full path accepted last; empty until a choice is accepted.
    const std::string& FileName() const { return fileName_; }
    // Records an accepted choice. A filter index outside the table keeps the previous one.
    void Accept(int filterIndex, const std::string& fileName);

private:
    int filterIndex_ = 0;
    std::string fileName_;
};

} // namespace ondrevo
