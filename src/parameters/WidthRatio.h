#pragma once
// "Width Ratio" beyond the aspect tags: "Fit with black bars" and "Fill (crop)" shape the
// picture itself for the chosen Video Size, for players that ignore the aspect tag.
// Their fragments are filter chains with {width} and {height} standing for that size.
// They follow the catalogue's own entries; a catalogue made before they existed gets
// them from added_entries. UI thread.

#include <array>
#include <optional>
#include <string>

namespace ondrevo {

namespace width_ratio {

// The selector tag of "Width Ratio".
constexpr int kTag = 5;

struct ShapeEntry {
    const char* name;
    const char* fragment;
};

// "Fit with black bars" and "Fill (crop)", in list order, with the fragments the shipped
// catalogue holds for them.
extern const std::array<ShapeEntry, 2> kShapeEntries;

// The Width Ratio fragment for a Video Size fragment: {width} and {height} replaced by
// the size its "-s WIDTHxHEIGHT" names. A fragment without them comes back unchanged;
// one with them and no size to fill in gives "" (the source's own shape is kept).
std::string ForSize(const std::string& ratioFragment, const std::string& sizeFragment);

} // namespace width_ratio
} // namespace ondrevo
