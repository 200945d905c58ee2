// TFFmpegFunc's conversion operations; the work is done in conversion/Batch,
// conversion/CommandLine, conversion/Progress and conversion/Shutdown.

#include "app/MainWindow.h"
#include "app/TFFmpegFunc.h"
#include "base/Errors.h"
#include "base/HandlerDispatch.h"
#include "base/UsableCores.h"
#include "conversion/Batch.h"
#include "conversion/CommandLine.h"
#include "conversion/Progress.h"
#include "conversion/Shutdown.h"
#include "parameters/FilesAtOnce.h"
#include "parameters/KeepSourceDate.h"
#include "parameters/ListJournal.h"
#include "parameters/TSqlDatMod.h"

#include <algorithm>

namespace ondrevo {

BatchControls TFFmpegFunc::Batch()
{
    IMainWindow* window = &window_;
    return BatchControls {
        fileListView_,
        msgListView_,
        { &addFileBtn_, &delFileBtn_, &clearFileBtn_, &convFileBtn_, &playBtn_ },
        jvEditNumb_,
        jvEditCmdMsg_,
        batchDisplay_,
        jvEditDir_,
        jvCheckBox_,
        encoders_,
        window_.Batch(),
        window_.PauseConvBtn(),
        [this] { return FilesAtOnce(); },
        jvTimer_,
        jvTrayIcon_,
        sleepInhibitor_,
        loginManager_,
        [window] { window->QuitRequest(); },
        sqliteQuery_,
        jvCmbVdo_,
        jvCmbAdo_,
        [this] { return ExistingOutputsChoice(); },
        [this] { return jvCheckKeepDate_.Checked(); },
        [this] { return SizeLimit(); },
        [this] { return dataModule_.Journal().PartFolders(); },
    };
}

void TFFmpegFunc::ConvertFiles()
{
    BatchControls controls = Batch();
    batch::ConvertFiles(controls);
}

void TFFmpegFunc::ConvertRows(RunScope scope)
{
    BatchControls controls = Batch();
    batch::ConvertRows(controls, scope, fileListView_.SelectedRows());
}

bool TFFmpegFunc::CanConvertRows(RunScope scope)
{
    BatchControls controls = Batch();
    return batch::CanConvertRows(controls, scope, fileListView_.SelectedRows());
}

void TFFmpegFunc::PauseConversion()
{
    BatchControls controls = Batch();
    batch::PauseOrResume(controls);
}

void TFFmpegFunc::StartJob()
{
    BatchControls controls = Batch();
    batch::StartJob(controls);
}

void TFFmpegFunc::EndJob(std::uint32_t exitCode)
{
    EndJob(0, exitCode);
}

void TFFmpegFunc::EndJob(std::size_t slot, std::uint32_t exitCode)
{
    BatchControls controls = Batch();
    batch::JobEnded(controls, slot, exitCode);
    KeepListButtonsWhileAdding();
}

void TFFmpegFunc::LoadFilesAtOnce()
{
    const unsigned cores = UsableCores();
    jvSpinAtOnce_.SetRange(1, static_cast<int>(cores));
    jvSpinAtOnce_.SetValue(files_at_once::Limit(files_at_once::Read(sqliteQuery_), cores));
}

void TFFmpegFunc::SaveFilesAtOnce()
{
    const bool stored = StoreChoice(
        [this] {
            files_at_once::Save(sqliteQuery_, jvSpinAtOnce_.Value());
            return true;
        },
        [this] { jvSpinAtOnce_.SetValue(files_at_once::Read(sqliteQuery_)); });
    if (!stored)
        return;
    BatchControls controls = Batch();
    batch::FilesAtOnceChanged(controls);
}

void TFFmpegFunc::LoadKeepSourceDate()
{
    jvCheckKeepDate_.SetChecked(keep_source_date::Read(sqliteQuery_));
}

void TFFmpegFunc::SaveKeepSourceDate()
{
    StoreChoice(
        [this] {
            keep_source_date::Save(sqliteQuery_, jvCheckKeepDate_.Checked());
            return true;
        },
        [this] { jvCheckKeepDate_.SetChecked(keep_source_date::Read(sqliteQuery_)); });
}

int TFFmpegFunc::FilesAtOnce()
{
    // The spin box shows the stored count within the usable cores (a count that cannot
    // be stored goes back to the stored one). A batch asks for this at every row, which
    // need not read the settings file again: a lock on it would hold up every start.
    return std::max(1, jvSpinAtOnce_.Value());
}

void TFFmpegFunc::StopConversion()
{
    BatchControls controls = Batch();
    batch::StopConversion(controls);
    KeepListButtonsWhileAdding();
}

void TFFmpegFunc::ToggleTrayIcon()
{
    BatchControls controls = Batch();
    batch::ToggleTrayIcon(controls);
}

void TFFmpegFunc::RetryStalledStart()
{
    BatchControls controls = Batch();
    batch::RetryStalledStart(controls);
}

void TFFmpegFunc::ShutdownComputer(std::uint32_t flags)
{
    ondrevo::ShutdownComputer(flags, loginManager_, [this] { window_.QuitRequest(); });
}

std::vector<std::string> TFFmpegFunc::BuildCommandLine()
{
    BatchControls controls = Batch();
    return command_line::BuildCommandLine(controls);
}

std::string TFFmpegFunc::OutputFileName(int row)
{
    BatchControls controls = Batch();
    return command_line::OutputFileName(controls, row);
}

void TFFmpegFunc::ShowProgress(const std::string& line)
{
    ShowProgress(0, line);
}

void TFFmpegFunc::ShowProgress(std::size_t slot, const std::string& line)
{
    // A progress line that cannot be read is reported, but while its box is open the
    // lines that keep arriving behind it are not: one box, not a stack of them.
    static bool reportOpen = false;
    BatchControls controls = Batch();
    try {
        progress::ShowProgress(controls, slot, line);
        batch::ShowProgressOfBatch(controls);
    } catch (const EConvertError&) {
        if (reportOpen)
            return;
        reportOpen = true;
        ReportHandlerError(std::current_exception());
        reportOpen = false;
    }
}

int TFFmpegFunc::PlayingSeconds()
{
    return progress::PlayingSeconds(Batch());
}

int TFFmpegFunc::ElapsedSeconds(const std::string& line)
{
    return progress::ElapsedSeconds(line);
}

} // namespace ondrevo
