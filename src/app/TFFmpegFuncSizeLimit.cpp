// TFFmpegFunc's "Largest file size" and "Cut to fit"; the work is done in
// parameters/SizeLimit and, for each row, conversion/SizeAim.

#include "app/TFFmpegFunc.h"
#include "base/Errors.h"
#include "conversion/BatchEngine.h"
#include "parameters/SizeLimit.h"

namespace ondrevo {
namespace {

// Shows `choice`: a fixed entry selected, or a typed size as a fifth entry.
void ShowSizeLimit(ISelector& selector, ICheckBox& cutToFit, const size_limit::Choice& choice)
{
    selector.ClearItems();
    for (const std::string& name : size_limit::EntryNames())
        selector.AppendItem(name);
    int index = size_limit::EntryOf(choice.kilobytes);
    if (index < 0) {
        selector.AppendItem(size_limit::TypedName(choice.kilobytes));
        index = selector.ItemCount() - 1;
    }
    selector.SetItemIndex(index);
    cutToFit.SetChecked(choice.cutToFit);
}

} // namespace

void TFFmpegFunc::LoadSizeLimit()
{
    size_limit::Choice stored;
    try {
        stored = size_limit::Read(sqliteQuery_);
    } catch (const EUniError&) {
        // What is shown stays; an empty selector gets its entries with none picked.
        if (sizeLimitCombo_.ItemCount() == 0) {
            ShowSizeLimit(sizeLimitCombo_, cutToFitCheck_, {});
            sizeLimitCombo_.SetItemIndex(-1);
        }
        throw;
    }
    ShowSizeLimit(sizeLimitCombo_, cutToFitCheck_, stored);
}

void TFFmpegFunc::SaveSizeLimit()
{
    const std::string typed = sizeLimitCombo_.Text();
    const std::optional<long long> kilobytes = size_limit::ParseKilobytes(typed);
    if (!kilobytes) {
        // Calmly: the choice in force comes back, and the status line says what to type.
        // Unless the settings file can be read, that is the one the batch was last
        // handed: the typed text must not stand as no limit.
        size_limit::Choice inForce = engine_.Choices().sizeLimit;
        try {
            inForce = size_limit::Read(sqliteQuery_);
        } catch (const EUniError&) {
        }
        ShowSizeLimit(sizeLimitCombo_, cutToFitCheck_, inForce);
        jvEditCmdMsg_.SetText(size_limit::RefusalText(typed));
        return;
    }
    const size_limit::Choice choice { *kilobytes, cutToFitCheck_.Checked() };
    const bool stored = StoreChoice(
        [this, choice] {
            size_limit::Save(sqliteQuery_, choice);
            return true;
        },
        [this] { ShowSizeLimit(sizeLimitCombo_, cutToFitCheck_, size_limit::Read(sqliteQuery_)); });
    if (!stored)
        return;
    ShowSizeLimit(sizeLimitCombo_, cutToFitCheck_, choice);
    // An earlier refusal no longer holds; anything else the status line says stays.
    if (size_limit::IsRefusalText(jvEditCmdMsg_.Text()))
        jvEditCmdMsg_.SetText("");
}

size_limit::Choice TFFmpegFunc::SizeLimit()
{
    // Read from the controls, not the settings file: every row asks.
    const int index = sizeLimitCombo_.ItemIndex();
    const std::string text = index >= 0 ? sizeLimitCombo_.Item(index) : sizeLimitCombo_.Text();
    return size_limit::Choice { size_limit::ParseKilobytes(text).value_or(0), cutToFitCheck_.Checked() };
}

} // namespace ondrevo
