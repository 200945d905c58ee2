// TFFmpegFunc's "Made for" and its buttons; the choices' names are kept by
// parameters/ChoiceVocabulary, the presets by parameters/Presets.

#include "app/TFFmpegFunc.h"

#include "app/MainWindow.h"
#include "base/Controls.h"
#include "base/Errors.h"
#include "conversion/Batch.h"
#include "parameters/ChoiceVocabulary.h"
#include "parameters/Presets.h"
#include "parameters/TSqliteQuery.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace ondrevo {
namespace {

// A preset file is a few lines; anything much longer is not one.
constexpr std::uintmax_t kMostPresetFileBytes = 64 * 1024;

// The name shown in "Made for" now, "" when none is.
std::string Shown(const ISelector& madeFor)
{
    const int index = madeFor.ItemIndex();
    return index >= 0 ? madeFor.Item(index) : std::string();
}

// A file name for a preset's name: the characters a file name cannot hold become '-'.
std::string FileNameFor(const std::string& name)
{
    std::string file = name.empty() ? std::string("Ondrevo choices") : name;
    for (char& c : file)
        if (c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 0x20)
            c = '-';
    return file + ".txt";
}

} // namespace

void TFFmpegFunc::ShowMadeFor()
{
    const std::string preferred = Shown(madeForCombo_);
    const std::vector<presets::Preset> list = presets::List(sqliteQuery_);
    const choices::Catalogues catalogues = choices::ReadCatalogues(sqliteQuery_);
    const std::string shown
        = presets::Matching(list, catalogues, choices::ReadValues(sqliteQuery_, catalogues), preferred);
    madeForCombo_.ClearItems();
    int index = -1;
    for (const presets::Preset& preset : list) {
        if (preset.name == shown)
            index = madeForCombo_.ItemCount();
        madeForCombo_.AppendItem(preset.name);
    }
    if (index < 0) {
        index = madeForCombo_.ItemCount();
        madeForCombo_.AppendItem(presets::kOwnChoices);
    }
    madeForCombo_.SetItemIndex(index);
}

void TFFmpegFunc::ShowStoredChoices(const std::string& preferred)
{
    // Each step runs even when the one before could not read the database.
    std::exception_ptr failure;
    for (void (TFFmpegFunc::*step)() : { &TFFmpegFunc::FillAllSelectors, &TFFmpegFunc::LoadSizeLimit,
             &TFFmpegFunc::LoadExistingOutputs, &TFFmpegFunc::LoadFilesAtOnce, &TFFmpegFunc::LoadKeepSourceDate }) {
        try {
            (this->*step)();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    madeForCombo_.ClearItems();
    madeForCombo_.AppendItem(preferred);
    madeForCombo_.SetItemIndex(0);
    ShowMadeFor();
    if (failure)
        std::rethrow_exception(failure);
}

void TFFmpegFunc::ApplyPickedPreset()
{
    const std::string picked = Shown(madeForCombo_);
    const std::vector<presets::Preset> list = presets::List(sqliteQuery_);
    const presets::Preset* preset = presets::Find(list, picked);
    if (!preset) {
        ShowMadeFor(); // "(own choices)" picked: nothing to set
        return;
    }
    const choices::Catalogues catalogues = choices::ReadCatalogues(sqliteQuery_);
    const choices::Values before = choices::ReadValues(sqliteQuery_, catalogues);
    choices::Values after = before;
    const std::string error = choices::Apply(preset->settings, catalogues, after);
    if (!error.empty()) {
        madeForCombo_.SetItemIndex(-1);
        ShowMadeFor();
        jvEditCmdMsg_.SetText("Made for \"" + preset->name + "\" changes nothing: " + error);
        return;
    }
    const bool stored = StoreChoice(
        [&] {
            choices::StoreValues(sqliteQuery_, before, after);
            return before != after;
        },
        [] {});
    ShowStoredChoices(stored ? preset->name : std::string());
    // A higher count starts more rows of a running batch there and then.
    HandChoicesToEngine();
}

void TFFmpegFunc::SavePresetAs()
{
    std::optional<std::string> typed
        = window_.Desktop().AskText("Save preset", "Name of the preset for the current choices:");
    if (!typed)
        return;
    const std::string name = [&] {
        const std::size_t first = typed->find_first_not_of(" \t");
        return first == std::string::npos ? std::string()
                                          : typed->substr(first, typed->find_last_not_of(" \t") - first + 1);
    }();
    if (const std::string refused = presets::RefusedName(name); !refused.empty()) {
        jvEditCmdMsg_.SetText("No preset saved: " + refused);
        return;
    }
    const choices::Catalogues catalogues = choices::ReadCatalogues(sqliteQuery_);
    const presets::Preset preset { name,
        choices::Describe(choices::PresetLabels(), choices::ReadValues(sqliteQuery_, catalogues), catalogues), false };
    const bool stored = StoreChoice(
        [&] {
            presets::Save(sqliteQuery_, preset);
            return true;
        },
        [] {});
    if (!stored)
        return;
    madeForCombo_.ClearItems();
    madeForCombo_.AppendItem(name);
    madeForCombo_.SetItemIndex(0);
    ShowMadeFor();
    jvEditCmdMsg_.SetText("Preset \"" + name + "\" saved");
}

void TFFmpegFunc::DeletePreset()
{
    const std::string shown = Shown(madeForCombo_);
    const std::vector<presets::Preset> list = presets::List(sqliteQuery_);
    const presets::Preset* preset = presets::Find(list, shown);
    if (!preset) {
        jvEditCmdMsg_.SetText("Pick a preset of your own in Made for to delete it");
        return;
    }
    if (preset->builtIn) {
        jvEditCmdMsg_.SetText("\"" + preset->name + "\" is built in: built-in presets cannot be deleted");
        return;
    }
    const std::string name = preset->name;
    const bool stored = StoreChoice(
        [&] {
            presets::Delete(sqliteQuery_, name);
            return true;
        },
        [] {});
    if (!stored)
        return;
    ShowMadeFor();
    jvEditCmdMsg_.SetText("Preset \"" + name + "\" deleted");
}

void TFFmpegFunc::ExportPreset()
{
    const std::string shown = Shown(madeForCombo_);
    const std::vector<presets::Preset> list = presets::List(sqliteQuery_);
    const presets::Preset* found = presets::Find(list, shown);
    const choices::Catalogues catalogues = choices::ReadCatalogues(sqliteQuery_);
    // With own choices, the choices themselves, under no name.
    const presets::Preset preset = found
        ? *found
        : presets::Preset { {},
              choices::Describe(choices::PresetLabels(), choices::ReadValues(sqliteQuery_, catalogues), catalogues),
              false };
    const std::optional<std::string> path
        = window_.Desktop().ChooseFile("Export preset", true, FileNameFor(preset.name));
    if (!path)
        return;
    std::ofstream out(*path, std::ios::binary | std::ios::trunc);
    out << presets::ExportText(preset);
    out.close();
    if (!out) {
        jvEditCmdMsg_.SetText("The preset could not be written to " + *path);
        return;
    }
    jvEditCmdMsg_.SetText("Preset written to " + *path);
}

void TFFmpegFunc::ImportPreset()
{
    const std::optional<std::string> path = window_.Desktop().ChooseFile("Import preset", false, {});
    if (!path)
        return;
    // Only a plain file is opened: opening a named pipe would wait for a writer.
    std::error_code error;
    const bool plain = std::filesystem::is_regular_file(*path, error);
    const std::uintmax_t bytes = plain ? std::filesystem::file_size(*path, error) : 0;
    std::ifstream in;
    if (plain && !error && bytes <= kMostPresetFileBytes)
        in.open(*path, std::ios::binary);
    if (!in.is_open()) {
        jvEditCmdMsg_.SetText("Nothing imported: " + *path + " is no preset file that can be read");
        return;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const choices::Catalogues catalogues = choices::ReadCatalogues(sqliteQuery_);
    const choices::Values before = choices::ReadValues(sqliteQuery_, catalogues);
    presets::Imported imported
        = presets::ImportText(text, std::filesystem::path(*path).stem().string(), catalogues, before);
    if (!imported.error.empty()) {
        jvEditCmdMsg_.SetText("Nothing imported from " + *path + ": " + imported.error);
        return;
    }
    // A file of a built-in preset, or one named like it, comes in beside it.
    std::string& name = imported.preset.name;
    if (!presets::RefusedName(name).empty()) {
        if (const presets::Preset* builtIn = presets::Find(presets::BuiltIn(), name))
            name = builtIn->name + " (imported)";
        else
            name = "Imported preset";
    }
    choices::Values after = before;
    choices::Apply(imported.preset.settings, catalogues, after);
    const bool stored = StoreChoice(
        [&] {
            presets::Save(sqliteQuery_, imported.preset);
            choices::StoreValues(sqliteQuery_, before, after);
            return true;
        },
        [] {});
    ShowStoredChoices(stored ? name : std::string());
    if (stored)
        jvEditCmdMsg_.SetText("Preset \"" + name + "\" imported from " + *path);
}

} // namespace ondrevo
