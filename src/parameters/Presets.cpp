#include "parameters/Presets.h"

#include "base/Errors.h"
#include "parameters/Statements.h"
#include "parameters/TSqliteQuery.h"

#include <cctype>

namespace ondrevo::presets {
namespace {

using choices::Setting;
using choices::Settings;

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// H.263 at its level every 3GPP phone decodes, with the sound every MMS client plays.
Settings AnyPhone(const char* largest)
{
    return { { "Video Codec", "H.263" }, { "Video Bitrate", "64 kbit/s" }, { "Video Size", "176x144 (QCIF)" },
        { "Video Frame Rate", "15 fps" }, { "Width Ratio", "Fit with black bars" }, { "Audio Codec", "AMR-NB" },
        { "Audio Bitrate", "12.2 kbit/s" }, { "Audio Channel", "Mono" }, { "Sampling Frequency", "8000 Hz" },
        { "Largest file size", largest }, { "Cut to fit", choices::kNo } };
}

Settings Screen(const char* codec, const char* bitrate, const char* size, const char* rate, const char* soundBitrate,
    const char* channels)
{
    return { { "Video Codec", codec }, { "Video Bitrate", bitrate }, { "Video Size", size },
        { "Video Frame Rate", rate }, { "Width Ratio", "Fit with black bars" }, { "Audio Codec", "AAC-LC" },
        { "Audio Bitrate", soundBitrate }, { "Audio Channel", channels }, { "Sampling Frequency", "44100 Hz" },
        { "Largest file size", "No limit" }, { "Cut to fit", choices::kNo } };
}

std::string CreateStatement()
{
    return "create table if not exists convert_presets (preset_name text primary key, preset_order integer, "
           "preset_lines text)";
}

} // namespace

const std::vector<Preset>& BuiltIn()
{
    static const std::vector<Preset> list {
        { "Any phone (H.263, AMR-NB)", AnyPhone("No limit"), true },
        { "MMS message, 300 KB", AnyPhone("295 KB (MMS)"), true },
        { "MMS message, 100 KB", AnyPhone("98 KB"), true },
        { "Feature phone, 320x240 screen",
            Screen("MPEG-4 Visual", "384 kbit/s", "320x240 (QVGA)", "15 fps", "64 kbit/s", "Mono"), true },
        { "Smartphone (H.264, AAC)",
            Screen("H.264 Baseline", "768 kbit/s", "640x480 (VGA)", "25 fps", "96 kbit/s", "Stereo"), true },
    };
    return list;
}

std::vector<Preset> List(TSqliteQuery& query)
{
    std::vector<Preset> list = BuiltIn();
    try {
        RunStatement(query, "select preset_name, preset_lines from convert_presets order by preset_order, preset_name");
    } catch (const EUniError&) {
        return list; // an older database without the table
    }
    query.First();
    for (int row = 0, rows = query.RecordCount(); row < rows; ++row, query.Next()) {
        choices::Parsed parsed = choices::ParseText(query.FieldAsString(1));
        if (parsed.error.empty() && RefusedName(query.FieldAsString(0)).empty())
            list.push_back(Preset { query.FieldAsString(0), std::move(parsed.settings), false });
    }
    return list;
}

const Preset* Find(const std::vector<Preset>& list, const std::string& name)
{
    for (const Preset& preset : list)
        if (Lower(preset.name) == Lower(name))
            return &preset;
    return nullptr;
}

std::string RefusedName(const std::string& name)
{
    if (name.find_first_not_of(" \t") == std::string::npos)
        return "A preset needs a name";
    if (name.find_first_of("\r\n") != std::string::npos)
        return "A preset's name is one line";
    if (Lower(name) == Lower(kOwnChoices))
        return "\"" + name + "\" is what the window shows for choices of no preset";
    if (const Preset* builtIn = Find(BuiltIn(), name))
        return "\"" + builtIn->name + "\" is a built-in preset";
    return {};
}

void Save(TSqliteQuery& query, const Preset& preset)
{
    RunStatement(query, CreateStatement());
    const std::string name = SqlText(preset.name);
    // A preset saved again keeps its place in the list.
    RunStatement(query,
        "insert or replace into convert_presets (preset_name, preset_order, preset_lines) values (" + name
            + ", coalesce((select preset_order from convert_presets where preset_name = " + name
            + "), (select coalesce(max(preset_order), 0) + 1 from convert_presets)), "
            + SqlText(choices::FormatText(preset.settings)) + ")");
}

void Delete(TSqliteQuery& query, const std::string& name)
{
    RunStatement(query, CreateStatement());
    RunStatement(query, "delete from convert_presets where preset_name = " + SqlText(name));
}

std::string ExportText(const Preset& preset)
{
    std::string text;
    if (!preset.name.empty())
        text = std::string(kLabel) + "=" + preset.name + "\n";
    return text + choices::FormatText(preset.settings);
}

Imported ImportText(const std::string& text, const std::string& fallbackName, const choices::Catalogues& catalogues,
    const choices::Values& current)
{
    Imported imported;
    choices::Parsed parsed = choices::ParseText(text);
    if (!parsed.error.empty()) {
        imported.error = parsed.error;
        return imported;
    }
    imported.preset.name = fallbackName;
    for (Setting& setting : parsed.settings) {
        if (Lower(setting.label) == Lower(kLabel))
            imported.preset.name = setting.entry;
        else
            imported.preset.settings.push_back(std::move(setting));
    }
    if (imported.preset.settings.empty()) {
        imported.error = "It names no choice";
        return imported;
    }
    choices::Values tried = current;
    imported.error = choices::Apply(imported.preset.settings, catalogues, tried);
    return imported;
}

bool Matches(const Preset& preset, const choices::Catalogues& catalogues, const choices::Values& values)
{
    choices::Values applied = values;
    return choices::Apply(preset.settings, catalogues, applied).empty() && applied == values;
}

std::string Matching(const std::vector<Preset>& list, const choices::Catalogues& catalogues,
    const choices::Values& values, const std::string& preferred)
{
    if (const Preset* picked = Find(list, preferred); picked && Matches(*picked, catalogues, values))
        return picked->name;
    for (const Preset& preset : list)
        if (Matches(preset, catalogues, values))
            return preset.name;
    return kOwnChoices;
}

} // namespace ondrevo::presets
