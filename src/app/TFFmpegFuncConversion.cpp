// TFFmpegFunc's conversion operations: the choices handed to the batch engine as plain
// values, and the engine's operations; the work is done in conversion/BatchEngine.

#include "app/MainWindow.h"
#include "app/TFFmpegFunc.h"
#include "base/Errors.h"
#include "base/UsableCores.h"
#include "conversion/Batch.h"
#include "conversion/BatchEngine.h"
#include "conversion/CommandLine.h"
#include "desktop/Shutdown.h"
#include "parameters/FilesAtOnce.h"
#include "parameters/KeepSourceDate.h"

#include <algorithm>

namespace ondrevo {

BatchChoices TFFmpegFunc::Choices()
{
    BatchChoices choices;
    std::size_t n = 0;
    const auto take = [&](const ISelector* selector) {
        SelectorChoice& choice = choices.selectors[n++];
        choice.position = selector->ItemIndex();
        if (choice.position >= 0 && choice.position < selector->ItemCount())
            choice.entry = selector->Item(choice.position);
    };
    for (const ISelector* selector : jvCmbVdo_)
        take(selector);
    for (const ISelector* selector : jvCmbAdo_)
        take(selector);
    for (int i = 0, count = jvCmbVdo_[0]->ItemCount(); i < count; ++i)
        choices.videoCodecs.push_back(jvCmbVdo_[0]->Item(i));
    choices.outputFolder = jvEditDir_.Text();
    choices.filesAtOnce = FilesAtOnce();
    choices.existing = ExistingOutputsChoice();
    choices.keepSourceDate = keepDateCheck_.Checked();
    choices.sizeLimit = SizeLimit();
    return choices;
}

void TFFmpegFunc::HandChoicesToEngine()
{
    engine_.SetChoices(Choices());
}

void TFFmpegFunc::ConvertFiles()
{
    if (fileListView_.RowCount() == 0)
        return;
    ConvertRows(RunScope::Whole);
}

void TFFmpegFunc::ConvertRows(RunScope scope)
{
    if (engine_.Model().Running())
        return;
    HandChoicesToEngine();
    engine_.Convert(scope, fileListView_.SelectedRows());
}

bool TFFmpegFunc::CanConvertRows(RunScope scope)
{
    return engine_.CanConvert(scope, fileListView_.SelectedRows());
}

void TFFmpegFunc::PauseConversion()
{
    engine_.PauseOrResume();
}

void TFFmpegFunc::LoadFilesAtOnce()
{
    const unsigned cores = UsableCores();
    filesAtOnceSpin_.SetRange(1, static_cast<int>(cores));
    filesAtOnceSpin_.SetValue(files_at_once::Limit(files_at_once::Read(sqliteQuery_), cores));
}

void TFFmpegFunc::SaveFilesAtOnce()
{
    StoreChoice(
        [this] {
            files_at_once::Save(sqliteQuery_, filesAtOnceSpin_.Value());
            return true;
        },
        [this] { filesAtOnceSpin_.SetValue(files_at_once::Read(sqliteQuery_)); });
}

void TFFmpegFunc::LoadKeepSourceDate()
{
    keepDateCheck_.SetChecked(keep_source_date::Read(sqliteQuery_));
}

void TFFmpegFunc::SaveKeepSourceDate()
{
    StoreChoice(
        [this] {
            keep_source_date::Save(sqliteQuery_, keepDateCheck_.Checked());
            return true;
        },
        [this] { keepDateCheck_.SetChecked(keep_source_date::Read(sqliteQuery_)); });
}

int TFFmpegFunc::FilesAtOnce()
{
    // The spin box shows the stored count within the usable cores (a count that cannot
    // be stored goes back to the stored one).
    return std::max(1, filesAtOnceSpin_.Value());
}

void TFFmpegFunc::StopConversion()
{
    engine_.Stop();
}

void TFFmpegFunc::ToggleTrayIcon()
{
    jvTrayIcon_.SetImageIndex(
        jvTrayIcon_.ImageIndex() == batch::kIdleTrayImage ? batch::kBusyTrayImage : batch::kIdleTrayImage);
}

void TFFmpegFunc::RetryStalledStart()
{
    engine_.RetryStalledStart();
}

void TFFmpegFunc::ShutdownComputer(std::uint32_t flags)
{
    ondrevo::ShutdownComputer(flags, loginManager_, [this] { window_.QuitRequest(); });
}

std::vector<std::string> TFFmpegFunc::BuildCommandLine(int row)
{
    HandChoicesToEngine();
    return engine_.CommandLineFor(row);
}

std::string TFFmpegFunc::OutputFileName(int row)
{
    HandChoicesToEngine();
    return command_line::OutputFileName(engine_, row);
}

} // namespace ondrevo
