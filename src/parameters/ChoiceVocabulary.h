#pragma once
// Every stored choice by the window's label and its entries by name: "Video Codec=H.263",
// "Largest file size=98 KB", "Cut to fit=Yes". Parses and formats such Label=Entry lines
// and applies a set of them to the choices read from the parameter database, all or
// nothing. Presets and the command line both speak it. UI thread.

#include "parameters/ExistingOutputs.h"
#include "parameters/SizeLimit.h"

#include <array>
#include <map>
#include <string>
#include <vector>

namespace ondrevo {

class TSqliteQuery;

namespace choices {

// The window's labels, in the window's order: the nine selectors, "Largest file size",
// "Cut to fit", then the Other Settings page.
const std::vector<std::string>& Labels();
// The labels a preset names: the nine selectors, "Largest file size" and "Cut to fit".
const std::vector<std::string>& PresetLabels();
// The entries of a check box.
constexpr const char* kYes = "Yes";
constexpr const char* kNo = "No";

// One Label=Entry line; `line` counts from 1 in the text it came from (0: not from a text).
struct Setting {
    std::string label;
    std::string entry;
    int line = 0;
};
using Settings = std::vector<Setting>;

// Every choice, as the database keeps it.
struct Values {
    // The positions of the selectors with tags 1..6 (-1: none).
    std::array<int, 6> positions { -1, -1, -1, -1, -1, -1 };
    // Per Audio Codec position, the positions of Audio Bitrate, Audio Channel and Sampling
    // Frequency under it.
    std::map<int, std::array<int, 3>> audioPositions;
    size_limit::Choice sizeLimit;
    ExistingOutputs existing = ExistingOutputs::Replace;
    int filesAtOnce = 1;
    bool keepSourceDate = false;

    bool operator==(const Values&) const = default;
};

// The entry names of the nine catalogues.
struct Catalogues {
    // Tags 1..6, with the entries an older catalogue lacks after its own.
    std::array<std::vector<std::string>, 6> lists;
    // Per Audio Codec position, the entries of tags 7..9.
    std::map<int, std::array<std::vector<std::string>, 3>> audio;
    // Per Audio Codec position the catalogue lacked, the first choices of tags 7..9.
    std::map<int, std::array<int, 3>> firstAudio;
};

// Raise EUniError when the database cannot be read.
Catalogues ReadCatalogues(TSqliteQuery& query);
Values ReadValues(TSqliteQuery& query, const Catalogues& catalogues);
// Stores what differs between `before` and `after`, in one transaction: all of it or,
// when the database refuses (EUniError), none of it.
void StoreValues(TSqliteQuery& query, const Values& before, const Values& after);

// Reads Label=Entry lines: blanks around either side are dropped, so are blank lines,
// lines starting with '#' and a line's carriage return. A line without '=' or a label
// named twice gives an error naming its line; the labels are not checked here.
struct Parsed {
    Settings settings;
    std::string error; // empty when the text is well formed
};
Parsed ParseText(const std::string& text);
std::string FormatText(const Settings& settings);

// The entry `values` hold for `label`; "" when the label is unknown or the position
// names no entry.
std::string EntryOf(const std::string& label, const Values& values, const Catalogues& catalogues);
// `labels`' entries in `values`; a label without an entry is left out.
Settings Describe(const std::vector<std::string>& labels, const Values& values, const Catalogues& catalogues);
// Sets every choice `settings` name in `values`: the Audio Codec first, so the sound's
// other entries are those of the codec named (or kept). Labels and entries are matched
// letter case ignored. Returns "" when all applied; otherwise the first wrong line
// ("Line 4: Audio Bitrate has no entry \"13 kbit/s\"") and `values` is left as it was.
std::string Apply(const Settings& settings, const Catalogues& catalogues, Values& values);

} // namespace choices
} // namespace ondrevo
