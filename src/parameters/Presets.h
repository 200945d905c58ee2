#pragma once
// "Made for": named sets of choices for a kind of phone. The built-in ones are in the
// program; the user's own are kept in their own table of the parameter database,
// convert_presets, made when first saved (a database without it lists the built-in
// ones only). A preset is a set of Label=Entry settings; its file form adds a
// "Made for=NAME" line. UI thread.

#include "parameters/ChoiceVocabulary.h"

#include <string>
#include <vector>

namespace ondrevo {

class TSqliteQuery;

namespace presets {

// The selector's label, and its entry when the choices match no preset.
constexpr const char* kLabel = "Made for";
constexpr const char* kOwnChoices = "(own choices)";

struct Preset {
    std::string name;
    choices::Settings settings;
    bool builtIn = false;
};

const std::vector<Preset>& BuiltIn();
// The built-in presets, then the user's in the order first saved. A table that is
// missing or cannot be read lists the built-in ones only; a stored preset whose text is
// not well formed is left out.
std::vector<Preset> List(TSqliteQuery& query);
// The preset named `name` (letter case ignored), or null.
const Preset* Find(const std::vector<Preset>& list, const std::string& name);

// Why `name` cannot name a preset of the user's ("" when it can): empty, a built-in
// preset's name or the entry for own choices.
std::string RefusedName(const std::string& name);
// Stores (or replaces) a user preset, making the table when missing. Raises EUniError.
void Save(TSqliteQuery& query, const Preset& preset);
// Removes a user preset; nothing when there is none of that name. Raises EUniError.
void Delete(TSqliteQuery& query, const std::string& name);

// The file form: a "Made for=NAME" line (none for an empty name), then the settings.
std::string ExportText(const Preset& preset);
// A preset read from its file form and checked against the catalogues: the name from
// its "Made for" line, or `fallbackName`; when the text has a wrong line, `error` says
// which and what is wrong with it.
struct Imported {
    Preset preset;
    std::string error;
};
Imported ImportText(const std::string& text, const std::string& fallbackName, const choices::Catalogues& catalogues,
    const choices::Values& current);

// Whether applying `preset` to `values` leaves them as they are (it cannot apply: no).
bool Matches(const Preset& preset, const choices::Catalogues& catalogues, const choices::Values& values);
// The name of the preset `values` match: `preferred` when it does, else the first in the
// list that does; kOwnChoices when none does.
std::string Matching(const std::vector<Preset>& list, const choices::Catalogues& catalogues,
    const choices::Values& values, const std::string& preferred);

} // namespace presets
} // namespace ondrevo
