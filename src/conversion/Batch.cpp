#include "conversion/Batch.h"

#include "base/Controls.h"
#include "base/Errors.h"
#include "base/HandlerDispatch.h"
#include "base/IntegerText.h"
#include "conversion/BatchControls.h"
#include "conversion/CommandLine.h"
#include "conversion/ConversionJob.h"
#include "conversion/JobOutcome.h"
#include "conversion/Shutdown.h"
#include "media/FileList.h"
#include "process/TJvCreateProcess.h"

#include <cerrno>
#include <chrono>
#include <cstring>

namespace ondrevo::batch {
namespace {

// A stopped encoder finishes its file within a second or two; one that ignores the stop
// command would keep the runner busy, and every later Convert refused, for ever.
constexpr std::chrono::seconds kStoppedEncoderGrace { 10 };
constexpr std::chrono::seconds kTerminatedEncoderGrace { 5 };

constexpr int kPercentCell = 3;

void StopBusyAnimation(BatchControls& controls)
{
    controls.busyTimer.SetEnabled(false);
    controls.trayIcon.SetImageIndex(kIdleTrayImage);
}

// The batch ends: after its last row (`complete`, power-off when ticked) or early
// because nothing more can be written, with `status` saying why.
void EndBatch(BatchControls& controls, bool complete, const std::string& status)
{
    SetEditingButtonsEnabled(controls, true);
    if (complete && controls.shutDownWhenDone.Checked())
        ShutdownComputer(kShutdownPowerOff, controls.loginManager, controls.quitRequest);
    controls.statusLine.SetText(status);
    StopBusyAnimation(controls);
    controls.sleepInhibitor.SetHeld(false);
}

// Errors creating a file in the output folder that every later row would meet as well.
bool BlocksTheFolder(int code)
{
    return code == ENOENT || code == ENOTDIR || code == EACCES || code == EPERM || code == EROFS || code == ENOSPC
        || code == EDQUOT;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

// The row of the job, when it still lists the job's file (after Stop the user may have
// deleted or cleared rows while the encoder was finishing).
int RowOfJob(const BatchControls& controls)
{
    const ConversionJob& job = controls.job;
    if (job.row < 0 || job.row >= controls.fileList.RowCount() || controls.fileList.Caption(job.row) != job.source)
        return -1;
    return job.row;
}

// Judges the run that ended, keeps its file or removes it, and marks its row.
JobOutcome FinishJob(BatchControls& controls, std::uint32_t exitCode)
{
    ConversionJob& job = controls.job;
    long long bytes = 0;
    long long milliseconds = 0;
    if (job.output) {
        bytes = job.output->Size();
        if (bytes > 0 && !job.writeFailed)
            milliseconds = command_line::PlayingMilliseconds(job.output->Path());
    }
    JobOutcome outcome = JudgeJob(job, exitCode, milliseconds, bytes);
    if (job.output && outcome.keep) {
        try {
            job.output->Commit();
        } catch (const EOSError& e) {
            outcome.keep = false;
            outcome.failed = true;
            outcome.reason = job.output->FinalPath() + ": " + std::strerror(e.Code());
        }
    }
    job.output.reset(); // removes a file that was not kept
    if (const int row = RowOfJob(controls); row >= 0) {
        controls.fileList.SetImageIndex(row, outcome.failed ? kFailedImage : kEndedImage);
        controls.fileList.SetRowHint(row, outcome.reason);
    }
    job.row = -1;
    return outcome;
}

} // namespace

const char* const kStopCommand = "q";
const char* const kOutputIsSourceHint = "Not converted: the output file would replace its own source file";

void SetEditingButtonsEnabled(BatchControls& controls, bool enabled)
{
    for (IButton* button : controls.editingButtons)
        button->SetEnabled(enabled);
}

void ConvertFiles(BatchControls& controls)
{
    if (controls.fileList.RowCount() == 0)
        return;
    if (!controls.AddButton().Enabled())
        return;
    SetEditingButtonsEnabled(controls, false);
    controls.sleepInhibitor.SetHeld(true);
    // Left by a run of the program that was killed; files another copy still writes
    // are held by it and stay.
    PartialOutput::RemoveAbandoned(controls.outputFolder.Text());
    if (controls.cursor.Text() == "0")
        Dispatch([&controls] { StartJob(controls); });
    else
        controls.cursor.SetText("0"); // its change event starts row 0
    controls.busyTimer.SetEnabled(true);
}

void StartJob(BatchControls& controls)
{
    const int row = StrToInt(controls.cursor.Text());
    if (row < 0 || row >= controls.fileList.RowCount())
        return;
    const std::string source = controls.fileList.Caption(row);
    file_list::ShowFileInfo(controls.details, source);
    controls.fileList.SetImageIndex(row, kConvertingImage);
    controls.fileList.SetRowHint(row, "");
    controls.fileList.SetSubItem(row, kPercentCell, "0%");
    // A stopped encoder still finishing its file keeps its job until it ends: its file
    // is kept or removed then.
    if (controls.encoder.State() == TJvProcessState::psWaiting)
        throw EJVCLException("Cannot perform this operation when process is running");

    ConversionJob& job = controls.job;
    job = ConversionJob {};
    job.row = row;
    job.source = source;
    const command_line::SourceFacts facts = command_line::QuerySource(source);
    job.sourceMilliseconds = facts.milliseconds;
    const std::string output = command_line::OutputFileName(controls, row, facts.name);
    // The encoder, told to overwrite, would destroy the file it is reading.
    if (command_line::SameFile(source, output)) {
        job.failureLine = kOutputIsSourceHint;
        controls.encoder.PostEnd(1);
        return;
    }
    try {
        job.output = std::make_unique<PartialOutput>(output);
    } catch (const EOSError& e) {
        job.failureLine = FolderOf(output) + ": " + std::strerror(e.Code());
        job.outputBlocked = BlocksTheFolder(e.Code());
        controls.encoder.PostEnd(1);
        return;
    }
    controls.encoder.SetCommandLine(command_line::BuildCommandLine(controls, job.output->Path()));
    try {
        controls.encoder.Run();
    } catch (...) {
        job.output.reset();
        throw;
    }
}

void JobEnded(BatchControls& controls, std::uint32_t exitCode)
{
    const bool batchRuns = !controls.AddButton().Enabled();
    // A stopped encoder that ended while a new batch waited for it: that batch's row was
    // refused and has not run yet.
    const bool leftOver = controls.job.stopped && batchRuns;
    const JobOutcome outcome = FinishJob(controls, exitCode);
    if (!batchRuns)
        return;
    if (leftOver) {
        Dispatch([&controls] { StartJob(controls); });
        return;
    }
    if (outcome.stopBatch) {
        EndBatch(controls, false, "Conversion stopped: " + outcome.reason);
        return;
    }
    const int row = StrToInt(controls.cursor.Text());
    if (row < controls.fileList.RowCount() - 1) {
        controls.cursor.SetText(std::to_string(row + 1)); // its change event starts the next row
        return;
    }
    EndBatch(controls, true, "");
}

void StopConversion(BatchControls& controls)
{
    if (controls.fileList.RowCount() == 0)
        return;
    if (controls.AddButton().Enabled())
        return;
    SetEditingButtonsEnabled(controls, true);
    AskEncoderToFinish(controls);
    controls.fileList.SetImageIndex(StrToInt(controls.cursor.Text()), kEndedImage);
    StopBusyAnimation(controls);
    controls.sleepInhibitor.SetHeld(false);
}

bool AskEncoderToFinish(BatchControls& controls)
{
    if (controls.encoder.State() != TJvProcessState::psWaiting)
        return false;
    controls.job.stopped = true;
    if (controls.encoder.Write(kStopCommand))
        controls.encoder.ScheduleEnd(kStoppedEncoderGrace, kTerminatedEncoderGrace);
    else
        controls.encoder.ScheduleEnd(std::chrono::milliseconds(0), kTerminatedEncoderGrace);
    return true;
}

void ToggleTrayIcon(BatchControls& controls)
{
    ITrayIcon& tray = controls.trayIcon;
    tray.SetImageIndex(tray.ImageIndex() == kIdleTrayImage ? kBusyTrayImage : kIdleTrayImage);
}

} // namespace ondrevo::batch
