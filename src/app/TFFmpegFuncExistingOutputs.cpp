// TFFmpegFunc's "Existing output files" selector; the choice is kept by
// parameters/ExistingOutputs and applied by conversion/Batch at each row's start.

#include "app/TFFmpegFunc.h"
#include "base/Controls.h"
#include "parameters/ExistingOutputs.h"

namespace ondrevo {

void TFFmpegFunc::LoadExistingOutputs()
{
    jvCmbExisting_.ClearItems();
    for (const std::string& name : existing_outputs::Names())
        jvCmbExisting_.AppendItem(name);
    jvCmbExisting_.SetItemIndex(existing_outputs::IndexOf(existing_outputs::Read(sqliteQuery_)));
}

void TFFmpegFunc::SaveExistingOutputs()
{
    StoreChoice(
        [this] {
            existing_outputs::Save(sqliteQuery_, ExistingOutputsChoice());
            return true;
        },
        [this] { jvCmbExisting_.SetItemIndex(existing_outputs::IndexOf(existing_outputs::Read(sqliteQuery_))); });
}

ExistingOutputs TFFmpegFunc::ExistingOutputsChoice()
{
    // The selector shows the stored choice (a pick that cannot be stored goes back to
    // it); reading the control keeps a lock on the settings file from holding up a start.
    return existing_outputs::AtIndex(jvCmbExisting_.ItemIndex());
}

} // namespace ondrevo
