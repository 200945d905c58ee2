// TFFmpegFunc's "Existing output files" selector; the choice is kept by
// parameters/ExistingOutputs and applied by conversion/Batch at each row's start.

#include "app/TFFmpegFunc.h"
#include "base/Controls.h"
#include "base/Errors.h"
#include "parameters/ExistingOutputs.h"

namespace ondrevo {

void TFFmpegFunc::LoadExistingOutputs()
{
    const auto fill = [this] {
        existingOutputsCombo_.ClearItems();
        for (const std::string& name : existing_outputs::Names())
            existingOutputsCombo_.AppendItem(name);
    };
    ExistingOutputs stored {};
    try {
        stored = existing_outputs::Read(sqliteQuery_);
    } catch (const EUniError&) {
        // What is shown stays; an empty selector gets its entries with none picked.
        if (existingOutputsCombo_.ItemCount() == 0) {
            fill();
            existingOutputsCombo_.SetItemIndex(-1);
        }
        throw;
    }
    fill();
    existingOutputsCombo_.SetItemIndex(existing_outputs::IndexOf(stored));
}

void TFFmpegFunc::SaveExistingOutputs()
{
    StoreChoice(
        [this] {
            existing_outputs::Save(sqliteQuery_, ExistingOutputsChoice());
            return true;
        },
        [this] { existingOutputsCombo_.SetItemIndex(existing_outputs::IndexOf(existing_outputs::Read(sqliteQuery_))); });
}

ExistingOutputs TFFmpegFunc::ExistingOutputsChoice()
{
    // The selector shows the stored choice (a pick that cannot be stored goes back to
    // it); reading the control keeps a lock on the settings file from holding up a start.
    // With none shown, as when the stored choice could not be read, earlier outputs are
    // kept rather than replaced.
    const int index = existingOutputsCombo_.ItemIndex();
    return index < 0 ? ExistingOutputs::Skip : existing_outputs::AtIndex(index);
}

} // namespace ondrevo
