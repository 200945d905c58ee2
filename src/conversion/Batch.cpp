#include "conversion/Batch.h"

#include "base/Controls.h"
#include "base/Errors.h"
#include "base/HandlerDispatch.h"
#include "base/IntegerText.h"
#include "conversion/BatchControls.h"
#include "conversion/CommandLine.h"
#include "conversion/ConversionJob.h"
#include "conversion/EncoderPool.h"
#include "conversion/JobOutcome.h"
#include "conversion/Progress.h"
#include "conversion/Shutdown.h"
#include "media/FileList.h"
#include "parameters/TSqliteQuery.h"
#include "process/TJvCreateProcess.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <sys/stat.h>

namespace ondrevo::batch {
namespace {

// A stopped encoder finishes its file within a second or two; one that ignores the stop
// command would keep the runner busy, and every later Convert refused, for ever.
constexpr std::chrono::seconds kStoppedEncoderGrace { 10 };
constexpr std::chrono::seconds kTerminatedEncoderGrace { 5 };

constexpr int kPercentCell = 3;

// Starts of one row that a lock on the settings file may defeat before the row fails.
// Each try waits out the database's busy timeout; the busy timer's ticks come between.
constexpr int kLockedStartTries = 5;

void StopBusyAnimation(BatchControls& controls)
{
    controls.busyTimer.SetEnabled(false);
    controls.trayIcon.SetImageIndex(kIdleTrayImage);
}

// The whole batch's share and time left, after a row's progress or end.
void ShowBatchProgress(BatchControls& controls)
{
    BatchEstimate& estimate = controls.encoders.Estimate();
    if (!estimate.Running())
        return;
    long long running = 0;
    for (std::size_t slot = 0; slot < controls.encoders.Count(); ++slot) {
        const ConversionJob& job = controls.encoders.Job(slot);
        if (controls.encoders.Busy(slot) && !job.stopped)
            running += std::min(job.elapsedSeconds, job.playingSeconds);
    }
    estimate.Update(BatchEstimate::Clock::now(), running);
    controls.batchDisplay.Show(estimate.Percent(), estimate.Text());
}

void ClearBatchProgress(BatchControls& controls)
{
    controls.encoders.Estimate().Stop();
    controls.batchDisplay.Clear();
}

// The batch ends: after its last row (`complete`, power-off when ticked) or early
// because nothing more can be written, with `status` saying why.
void EndBatch(BatchControls& controls, bool complete, const std::string& status)
{
    const std::string summary = controls.encoders.Estimate().Summary();
    ClearBatchProgress(controls);
    if (complete)
        controls.batchDisplay.NotifyIfAway(summary);
    SetEditingButtonsEnabled(controls, true);
    if (complete && controls.shutDownWhenDone.Checked())
        ShutdownComputer(kShutdownPowerOff, controls.loginManager, controls.quitRequest);
    controls.statusLine.SetText(status);
    StopBusyAnimation(controls);
    controls.sleepInhibitor.SetHeld(false);
}

// Errors creating a file in the output folder that every later row would meet as well.
// A missing path blocks the folder only when the folder itself is gone; otherwise it
// concerns this row's name alone.
bool BlocksTheFolder(int code, const std::string& folder)
{
    if (code == ENOENT || code == ENOTDIR) {
        struct stat status { };
        return ::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode);
    }
    return code == EACCES || code == EPERM || code == EROFS || code == ENOSPC || code == EDQUOT;
}

// The size of the file at `path`, -1 when it cannot be read.
long long FileBytes(const std::string& path)
{
    struct stat status { };
    return ::stat(path.c_str(), &status) == 0 ? static_cast<long long>(status.st_size) : -1;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

// The row of a job, when the list still shows the job's file there (after Stop the user
// may delete or clear rows while the encoder is finishing).
int RowOfJob(const BatchControls& controls, const ConversionJob& job)
{
    if (job.row < 0 || job.row >= controls.fileList.RowCount() || controls.fileList.Caption(job.row) != job.source)
        return -1;
    return job.row;
}

// Judges the run that ended, keeps its file or removes it, and marks its row.
JobOutcome FinishJob(BatchControls& controls, std::size_t slot, std::uint32_t exitCode)
{
    ConversionJob& job = controls.encoders.Job(slot);
    const long long bytes = job.output ? job.output->Size() : 0;
    // The encoder's last progress line says how much it wrote; when that is enough, the
    // file needs no second reading on the UI thread. Only a run it would fail on that report alone
    // (cut short, or stopped before a progress line) has its file measured.
    long long milliseconds = job.writtenMilliseconds;
    job.sourceGrew = job.sourceBytes >= 0 && FileBytes(job.source) > job.sourceBytes;
    JobOutcome outcome = JudgeJob(job, exitCode, milliseconds, bytes);
    const bool lengthCanDecide = job.stopped || exitCode == 0;
    if (!outcome.keep && lengthCanDecide && job.output && bytes > 0 && !job.writeFailed) {
        milliseconds = std::max(milliseconds, command_line::PlayingMilliseconds(job.output->Path()));
        outcome = JudgeJob(job, exitCode, milliseconds, bytes);
    }
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
    // A stopped encoder's end belongs to no running batch.
    if (!job.stopped && controls.encoders.Estimate().Running())
        controls.encoders.Estimate().RowEnded(job.playingSeconds, outcome.failed);
    if (const int row = RowOfJob(controls, job); row >= 0) {
        controls.fileList.SetImageIndex(row, outcome.failed ? kFailedImage : kEndedImage);
        controls.fileList.SetRowHint(row, outcome.reason);
    }
    job.row = -1;
    return outcome;
}

// The row's playing time in seconds; 0 when its cell cannot be read.
int RowSeconds(const BatchControls& controls, int row)
{
    try {
        return progress::PlayingSeconds(controls, row);
    } catch (const Exception&) {
        return 0;
    }
}

std::size_t FilesAtOnce(BatchControls& controls)
{
    return controls.filesAtOnce ? static_cast<std::size_t>(std::max(1, controls.filesAtOnce())) : 1;
}

// A row at the cursor that shows the converting image but has no encoder: its start
// failed or was refused while a stopped encoder was still finishing.
bool CursorRowStalled(BatchControls& controls, int row)
{
    return row >= 0 && row < controls.fileList.RowCount() && controls.fileList.ImageIndex(row) == kConvertingImage
        && !controls.encoders.SlotOfRow(row);
}

// Starts rows after the cursor while encoders are free, retrying a stalled row at the
// cursor first; ends the batch once every row has been started and every encoder has
// ended. A row whose start was refused or held back by a lock stalls the batch there
// until it starts, fails or Stop.
void CarryOn(BatchControls& controls, bool retryCursorRow)
{
    int row = StrToInt(controls.cursor.Text());
    const bool refused
        = retryCursorRow && row >= 0 && row < controls.fileList.RowCount() && !controls.encoders.SlotOfRow(row);
    if (refused || CursorRowStalled(controls, row)) {
        Dispatch([&controls] { StartJob(controls); });
        if (CursorRowStalled(controls, row))
            return;
    }
    const std::size_t atOnce = FilesAtOnce(controls);
    while (row < controls.fileList.RowCount() - 1 && controls.encoders.FreeSlot(atOnce)) {
        controls.cursor.SetText(std::to_string(++row)); // its change event starts the row
        if (CursorRowStalled(controls, row))
            return;
    }
    if (!controls.encoders.AnyBusy())
        EndBatch(controls, true, "");
}

// Why a start failed, as the row's hint says it.
std::string StartFailure(const std::exception& error)
{
    if (const auto* system = dynamic_cast<const EOSError*>(&error))
        return command_line::EncoderPath() + ": " + std::strerror(system->Code());
    if (dynamic_cast<const EUniError*>(&error))
        return std::string(kSettingsUnreadableHint) + error.what();
    return error.what();
}

// A start that failed once its slot was taken: the temporary file goes. A lock another
// program holds on the settings file passes: the row stays at the cursor, converting,
// and the busy timer's next tick tries it again (RetryStalledStart). Any other failure,
// and a lock that outlasts the tries, fails the row with the reason, on the loop like an
// encoder's end, and the batch goes on.
void StartFailed(BatchControls& controls, std::size_t slot, const std::exception& error)
{
    ConversionJob& job = controls.encoders.Job(slot);
    job.output.reset();
    const auto* database = dynamic_cast<const EUniError*>(&error);
    if (database && IsLockError(*database) && ++controls.encoders.LockedStarts() < kLockedStartTries) {
        job = ConversionJob {};
        controls.statusLine.SetText(std::string(kSettingsLockedStatus) + error.what());
        return;
    }
    controls.encoders.LockedStarts() = 0;
    job.failureLine = StartFailure(error);
    job.endPosted = true;
    controls.encoders.Runner(slot).PostEnd(1);
}

// An output folder that is empty or relative was not chosen by the user (a chosen one is
// a full path): an empty one would put the outputs at the root of the file system, a
// relative one wherever the program happens to run.
bool IsUsableOutputFolder(const std::string& folder)
{
    return !folder.empty() && folder.front() == '/';
}

} // namespace

const char* const kStopCommand = "q";
const char* const kOutputIsSourceHint = "Not converted: the output file would replace its own source file";
const char* const kSettingsLockedStatus = "Waiting for the settings file, which another program holds: ";
const char* const kSettingsUnreadableHint = "Not converted: the output parameters could not be read: ";
const char* const kNoOutputFolderStatus
    = "Not converted: choose an output folder with the button beside \"Output Directory\"";

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
    if (!IsUsableOutputFolder(controls.outputFolder.Text())) {
        controls.statusLine.SetText(kNoOutputFolderStatus);
        return;
    }
    controls.encoders.LockedStarts() = 0;
    SetEditingButtonsEnabled(controls, false);
    controls.sleepInhibitor.SetHeld(true);
    // Left by a run of the program that was killed; files another copy still writes
    // are held by it and stay.
    PartialOutput::RemoveAbandoned(controls.outputFolder.Text());
    // The sources are looked up afresh: files may have been replaced since the last batch.
    controls.encoders.Sources().Forget();
    long long total = 0;
    for (int row = 0; row < controls.fileList.RowCount(); ++row)
        total += RowSeconds(controls, row);
    controls.encoders.Estimate().Start(BatchEstimate::Clock::now(), total, controls.fileList.RowCount());
    controls.batchDisplay.Show(0, controls.encoders.Estimate().Text());
    if (controls.cursor.Text() == "0")
        Dispatch([&controls] { StartJob(controls); });
    else
        controls.cursor.SetText("0"); // its change event starts row 0
    if (!CursorRowStalled(controls, 0)) {
        const std::size_t atOnce = FilesAtOnce(controls);
        int row = 0;
        while (row < controls.fileList.RowCount() - 1 && controls.encoders.FreeSlot(atOnce)) {
            controls.cursor.SetText(std::to_string(++row));
            if (CursorRowStalled(controls, row))
                break;
        }
    }
    controls.busyTimer.SetEnabled(true);
}

void StartJob(BatchControls& controls)
{
    const int row = StrToInt(controls.cursor.Text());
    if (row < 0 || row >= controls.fileList.RowCount())
        return;
    const std::string source = controls.fileList.Caption(row);
    // One query shows the file's facts and gives its playing time.
    const long long sourceMilliseconds = command_line::ShowSourceFacts(controls.details, source);
    controls.fileList.SetImageIndex(row, kConvertingImage);
    controls.fileList.SetRowHint(row, "");
    controls.fileList.SetSubItem(row, kPercentCell, "0%");
    // A stopped encoder still finishing its file keeps its job until it ends: its file
    // is kept or removed then.
    const std::optional<std::size_t> slot = controls.encoders.FreeSlot(FilesAtOnce(controls));
    if (!slot)
        throw EJVCLException("Cannot perform this operation when process is running");
    TJvCreateProcess& encoder = controls.encoders.Runner(*slot);

    ConversionJob& job = controls.encoders.Job(*slot);
    job = ConversionJob {};
    job.row = row;
    job.source = source;
    job.playingSeconds = RowSeconds(controls, row);
    job.sourceMilliseconds = sourceMilliseconds;
    job.sourceBytes = FileBytes(source);
    const std::string output = command_line::OutputFileName(controls, row);
    // The encoder, told to overwrite, would destroy the file it is reading; reading a
    // named pipe or a device, it would wait or read for ever, holding the batch.
    const std::string notAFile = file_list::NotAFileKind(source);
    if (!notAFile.empty() || command_line::SameFile(source, output)) {
        job.failureLine
            = notAFile.empty() ? kOutputIsSourceHint : "Not converted: " + source + " is " + notAFile + ", not a file";
        job.endPosted = true;
        encoder.PostEnd(1);
        return;
    }
    try {
        job.output = std::make_unique<PartialOutput>(output);
    } catch (const EOSError& e) {
        job.outputBlocked = BlocksTheFolder(e.Code(), FolderOf(output));
        job.failureLine = (job.outputBlocked ? FolderOf(output) : output) + ": " + std::strerror(e.Code());
        job.endPosted = true;
        encoder.PostEnd(1);
        return;
    }
    try {
        encoder.SetCommandLine(command_line::BuildCommandLine(controls, job.output->Path()));
        // Written through to the disk on the runner's thread before the end reaches the
        // batch: a power cut after the rename then finds the whole file under its name.
        encoder.AfterExit = [path = job.output->Path()] { PartialOutput::MakeDurable(path); };
        encoder.Run();
    } catch (const std::exception& error) {
        StartFailed(controls, *slot, error);
        return;
    }
    controls.encoders.LockedStarts() = 0;
}

void JobEnded(BatchControls& controls, std::size_t slot, std::uint32_t exitCode)
{
    const bool batchRuns = !controls.AddButton().Enabled();
    // A stopped encoder that ended while a new batch waited for its runner: the row at
    // the cursor was refused and is started now.
    const bool leftOver = controls.encoders.Job(slot).stopped;
    const JobOutcome outcome = FinishJob(controls, slot, exitCode);
    if (!batchRuns)
        return;
    ShowBatchProgress(controls);
    if (outcome.stopBatch) {
        // Every other row would meet the same full or missing folder.
        for (std::size_t other = 0; other < controls.encoders.Count(); ++other)
            AskEncoderToFinish(controls, other);
        EndBatch(controls, false, "Conversion stopped: " + outcome.reason);
        return;
    }
    CarryOn(controls, leftOver);
}

void StopConversion(BatchControls& controls)
{
    if (controls.fileList.RowCount() == 0)
        return;
    if (controls.AddButton().Enabled())
        return;
    SetEditingButtonsEnabled(controls, true);
    for (std::size_t slot = 0; slot < controls.encoders.Count(); ++slot) {
        const int row = RowOfJob(controls, controls.encoders.Job(slot));
        if (AskEncoderToFinish(controls, slot) && row >= 0)
            controls.fileList.SetImageIndex(row, kEndedImage);
    }
    controls.fileList.SetImageIndex(StrToInt(controls.cursor.Text()), kEndedImage);
    StopBusyAnimation(controls);
    controls.sleepInhibitor.SetHeld(false);
    ClearBatchProgress(controls);
}

void ShowProgressOfBatch(BatchControls& controls)
{
    ShowBatchProgress(controls);
}

void FilesAtOnceChanged(BatchControls& controls)
{
    if (!controls.AddButton().Enabled() && controls.encoders.Estimate().Running())
        CarryOn(controls, false);
}

bool AskEncoderToFinish(BatchControls& controls, std::size_t slot)
{
    TJvCreateProcess& encoder = controls.encoders.Runner(slot);
    if (encoder.State() != TJvProcessState::psWaiting) {
        // A refused row whose end is still on its way gives up its slot.
        if (controls.encoders.Job(slot).endPosted)
            controls.encoders.Job(slot).stopped = true;
        return false;
    }
    controls.encoders.Job(slot).stopped = true;
    if (encoder.Write(kStopCommand))
        encoder.ScheduleEnd(kStoppedEncoderGrace, kTerminatedEncoderGrace);
    else
        encoder.ScheduleEnd(std::chrono::milliseconds(0), kTerminatedEncoderGrace);
    return true;
}

bool AskEncodersToFinish(BatchControls& controls)
{
    bool any = false;
    for (std::size_t slot = 0; slot < controls.encoders.Count(); ++slot)
        any = AskEncoderToFinish(controls, slot) || any;
    return any;
}

void RetryStalledStart(BatchControls& controls)
{
    if (controls.AddButton().Enabled())
        return;
    const int row = StrToInt(controls.cursor.Text());
    // A row refused while a stopped encoder finishes waits for that encoder's end.
    if (CursorRowStalled(controls, row) && controls.encoders.FreeSlot(FilesAtOnce(controls)))
        CarryOn(controls, false);
}

void ToggleTrayIcon(BatchControls& controls)
{
    ITrayIcon& tray = controls.trayIcon;
    tray.SetImageIndex(tray.ImageIndex() == kIdleTrayImage ? kBusyTrayImage : kIdleTrayImage);
}

} // namespace ondrevo::batch
