#include "conversion/Batch.h"

#include "base/Controls.h"
#include "base/Errors.h"
#include "base/HandlerDispatch.h"
#include "base/IntegerText.h"
#include "conversion/BatchControls.h"
#include "conversion/BatchModel.h"
#include "conversion/CommandLine.h"
#include "conversion/ConversionJob.h"
#include "conversion/EncoderPool.h"
#include "conversion/JobOutcome.h"
#include "conversion/PassLog.h"
#include "conversion/Progress.h"
#include "conversion/Shutdown.h"
#include "conversion/SizeAim.h"
#include "conversion/SourceDate.h"
#include "conversion/WholeOutput.h"
#include "media/FileList.h"
#include "media/MediaQuery.h"
#include "media/MediaTextRules.h"
#include "parameters/OutputFolder.h"
#include "parameters/Selectors.h"
#include "parameters/TSqliteQuery.h"
#include "process/TJvCreateProcess.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace ondrevo::batch {
namespace {

// A stopped encoder finishes its file within a second or two; one that ignores the stop
// command would keep the runner busy, and every later Convert refused, for ever.
constexpr std::chrono::seconds kStoppedEncoderGrace { 10 };
constexpr std::chrono::seconds kTerminatedEncoderGrace { 5 };

constexpr int kSizeCell = 1;
constexpr int kPlayingTimeCell = 2;
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
        if (controls.encoders.Busy(slot) && !WasStopped(job.life))
            running += size_aim::DoneSeconds(job);
    }
    estimate.Update(BatchEstimate::Clock::now(), running);
    controls.batchDisplay.Show(estimate.Percent(), estimate.Text());
}

void ClearBatchProgress(BatchControls& controls)
{
    controls.encoders.Estimate().Stop();
    controls.batchDisplay.SetPaused(false);
    controls.batchDisplay.Clear();
}

void ShowPauseButton(BatchControls& controls, bool enabled, bool paused)
{
    controls.pauseButton.SetEnabled(enabled);
    controls.pauseButton.SetCaption(paused ? kResumeCaption : kPauseCaption);
}

// The batch is over: after its last row (`complete`, power-off when ticked), or early
// because nothing more can be written, with `status` saying why, or stopped by the user.
void EndBatch(BatchControls& controls, bool complete, const std::string& status)
{
    const std::string summary = controls.encoders.Estimate().Summary();
    controls.encoders.Refusal().clear();
    controls.model.EndRun();
    ClearBatchProgress(controls);
    if (complete)
        controls.batchDisplay.NotifyIfAway(summary);
    SetEditingButtonsEnabled(controls, true);
    ShowPauseButton(controls, false, false);
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

// Whether `path` itself (not what a link there points to) is a folder.
bool IsFolder(const std::string& path)
{
    struct stat status { };
    return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

// The row of a job while the list still holds it (after Stop the user may delete or
// clear rows while the encoder is finishing), or -1.
int RowOfJob(const BatchControls& controls, const ConversionJob& job)
{
    return controls.model.IndexOf(job.rowId).value_or(-1);
}

// Renames the job's whole file to its final name. With "Keep both", a file that
// appeared under that name while the encoder wrote (another program, another copy) is
// not replaced: the file takes the row's next free name instead.
void CommitOutput(BatchControls& controls, ConversionJob& job)
{
    if (!job.keepBoth) {
        job.output->Commit();
        return;
    }
    for (int tries = 0;; ++tries) {
        try {
            job.output->CommitWithoutReplacing();
            return;
        } catch (const EOSError& e) {
            const int row = RowOfJob(controls, job);
            if (e.Code() != EEXIST || row < 0 || tries >= 3)
                throw;
            job.output->Retarget(command_line::OutputFileName(controls, row, ExistingOutputs::KeepBoth));
            controls.model.SetFiles(row, job.output->FinalPath(), job.output->Path(), controls.model.Row(row).partId);
        }
    }
}

// Judges the run that ended, keeps its file or removes it, and gives its row its phase.
JobOutcome FinishJob(BatchControls& controls, std::size_t slot, std::uint32_t exitCode)
{
    ConversionJob& job = controls.encoders.Job(slot);
    const bool stopped = WasStopped(job.life);
    const long long bytes = job.output ? job.output->Size() : 0;
    // The encoder's last progress line says how much it wrote; when that is enough, the
    // file needs no second reading on the UI thread. Only a run it would fail on that report alone
    // (cut short, or stopped before a progress line) has its file measured.
    long long milliseconds = job.writtenMilliseconds;
    job.sourceGrew = job.sourceBytes >= 0 && FileBytes(job.source) > job.sourceBytes;
    JobOutcome outcome = JudgeJob(job, exitCode, milliseconds, bytes);
    const bool lengthCanDecide = stopped || exitCode == 0;
    if (!outcome.keep && lengthCanDecide && job.output && bytes > 0 && !job.writeFailed) {
        milliseconds = std::max(milliseconds, command_line::PlayingMilliseconds(job.output->Path()));
        outcome = JudgeJob(job, exitCode, milliseconds, bytes);
    }
    if (job.output && outcome.keep) {
        // Before the rename, so that the file appears under its name with its date.
        if (job.keepSourceDate)
            source_date::CopyModificationTime(job.source, job.output->Path());
        try {
            CommitOutput(controls, job);
        } catch (const EOSError& e) {
            outcome.keep = false;
            outcome.failed = true;
            outcome.reason = job.output->FinalPath() + ": " + std::strerror(e.Code());
        }
    }
    // Under a limit an earlier output stays when the row fails: one over the limit is said.
    if (outcome.failed && job.aim.limitBytes > 0 && !job.aim.outputPath.empty())
        outcome.reason
            += size_aim::EarlierOutputNote(job.aim.outputPath, FileBytes(job.aim.outputPath), job.aim.limitBytes);
    job.output.reset(); // removes a file that was not kept
    const bool skipped = !job.skippedOutput.empty();
    job.aim.passLog.reset();
    // A stopped encoder's end belongs to no running batch.
    if (!stopped && controls.encoders.Estimate().Running()) {
        if (skipped)
            controls.encoders.Estimate().RowSkipped(job.playingSeconds);
        else
            controls.encoders.Estimate().RowEnded(job.playingSeconds, outcome.failed);
    }
    if (const int row = RowOfJob(controls, job); row >= 0) {
        // A skipped row's output is whole, even when a Stop came before its end.
        const RowPhase phase = outcome.failed ? RowPhase::Failed
            : (stopped && !skipped)           ? RowPhase::Stopped
                                              : RowPhase::Converted;
        ShowRowPhase(controls, row, phase, outcome.reason);
        // A converted file is whole, however few progress lines its encoder printed (a
        // clip of one picture prints none with a time past zero).
        if (phase == RowPhase::Converted)
            controls.fileList.SetSubItem(row, kPercentCell, "100%");
    }
    job.rowId = 0;
    controls.encoders.Move(slot, JobEvent::End);
    return outcome;
}

std::size_t FilesAtOnce(BatchControls& controls)
{
    return controls.filesAtOnce ? static_cast<std::size_t>(std::max(1, controls.filesAtOnce())) : 1;
}

std::string HoursMinutesSeconds(long long milliseconds)
{
    const long long seconds = milliseconds / 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

// A source mended or replaced since it was listed (a failed row converted again) plays
// what the query at its start says: the row's time and cells, and the batch's total,
// follow it, so its percent and the time left are counted on what is converted.
void TakeFreshLength(BatchControls& controls, int row, long long milliseconds, long long bytes)
{
    const long long listed = controls.model.Row(row).playingMilliseconds;
    if (milliseconds <= 0 || milliseconds / 1000 == listed / 1000)
        return;
    controls.model.SetPlayingMilliseconds(row, milliseconds);
    if (controls.encoders.Estimate().Running())
        controls.encoders.Estimate().RowLengthChanged(listed / 1000, milliseconds / 1000);
    controls.fileList.SetSubItem(row, kPlayingTimeCell, HoursMinutesSeconds(milliseconds));
    if (bytes >= 0)
        controls.fileList.SetSubItem(row, kSizeCell, MegabytesText(static_cast<unsigned long long>(bytes)));
}

// Starts `row` through the cursor: its change event starts the job; when the cursor
// already names the row no event comes, and the job is started here.
void StartRowAtCursor(BatchControls& controls, int row)
{
    const std::string text = std::to_string(row);
    if (controls.cursor.Text() == text)
        Dispatch([&controls] { StartJob(controls); });
    else
        controls.cursor.SetText(text);
}

// Starts the batch's next rows while encoders are free and the batch is not paused;
// ends the batch once every row has been started and every encoder has ended. A row
// whose start a lock held back waits at the front of the batch for the busy timer.
void CarryOn(BatchControls& controls)
{
    BatchModel& model = controls.model;
    if (!model.Running())
        return;
    while (!model.Paused()) {
        // An encoder program unfit for the choices fails one row, and the batch ends with it.
        if (!controls.encoders.Refusal().empty() && controls.encoders.AnyBusy())
            return;
        const std::optional<int> next = model.NextRow();
        if (!next || !controls.encoders.FreeSlot(FilesAtOnce(controls)))
            break;
        StartRowAtCursor(controls, *next);
        if (model.NextRow() == next)
            return; // not taken: a lock held it back, or no encoder was free after all
    }
    if (!model.NextRow() && !controls.encoders.AnyBusy())
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
// program holds on the settings file passes: the row goes back to the front of the
// batch, and the busy timer's next tick tries it again (RetryStalledStart). Any other
// failure, and a lock that outlasts the tries, fails the row with the reason, on the
// loop like an encoder's end, and the batch goes on.
void StartFailed(BatchControls& controls, std::size_t slot, int row, const std::exception& error)
{
    ConversionJob& job = controls.encoders.Job(slot);
    job.output.reset();
    const auto* database = dynamic_cast<const EUniError*>(&error);
    if (database && IsLockError(*database) && ++controls.encoders.LockedStarts() < kLockedStartTries) {
        job = ConversionJob {};
        controls.model.Requeue(row); // it keeps its converting image meanwhile
        controls.statusLine.SetText(std::string(kSettingsLockedStatus) + error.what());
        return;
    }
    controls.encoders.LockedStarts() = 0;
    job.failureLine = StartFailure(error);
    controls.encoders.Move(slot, JobEvent::Refuse);
    controls.encoders.Runner(slot).PostEnd(1);
}

// The source's picture and sound, each as long as the media library says it plays.
size_aim::Lengths SourceLengths(const std::string& source, long long milliseconds)
{
    std::optional<MediaQuery> query = MediaQuery::Start(source);
    if (!query)
        return size_aim::StreamLengths(milliseconds, 0, 0);
    return size_aim::StreamLengths(milliseconds, MillisecondsText(query->Get(Stream_Video, "Duration")),
        MillisecondsText(query->Get(Stream_Audio, "Duration")));
}

// Plans the row's runs under the largest file size from its arguments as they would be
// without one; whether it fits (its plan says why not).
bool AimAtLimit(ConversionJob& job, std::vector<std::string> arguments, const size_limit::Choice& limit)
{
    size_aim::Aim& aim = job.aim;
    aim.limitBytes = limit.Bytes();
    aim.cutToFit = limit.cutToFit;
    aim.sourceMilliseconds = job.sourceMilliseconds;
    aim.lengths = SourceLengths(job.source, job.sourceMilliseconds);
    aim.traits = size_aim::ReadTraits(arguments);
    aim.plan = size_aim::MakePlan(aim.traits, aim.limitBytes, aim.lengths, limit.cutToFit);
    aim.arguments = std::move(arguments);
    return aim.plan.fits;
}

// Under a limit, the end of a run that is not the row's last: a first pass that
// analysed (planned again when it read longer than the source's header said), a writing
// run whose file came out over the limit with tries left (its bitrate scaled down by the
// overshoot), a second pass the encoder refused (a single run next), or, with "Cut to
// fit", a run whose bitrate the encoder found too low for the picture (a shorter cut).
// Starts the row's next run on the same encoder and returns true; a run that cannot
// start ends the row as failed (`exitCode` set). A run that ended as the batch was
// paused goes on the same way, its next run held with the batch.
bool AnotherRun(BatchControls& controls, std::size_t slot, std::uint32_t& exitCode)
{
    ConversionJob& job = controls.encoders.Job(slot);
    size_aim::Aim& aim = job.aim;
    if (aim.limitBytes == 0 || !job.output || (job.life != JobLife::Running && job.life != JobLife::Paused))
        return false;
    ++aim.runsEnded;
    if (job.writeFailed)
        return false;
    bool firstOfTry = false;
    if (exitCode != 0) {
        // "Cut to fit" shortens a picture too busy for its bitrate; otherwise a single
        // run writes it at that bitrate.
        if (!(aim.bitrateTooLow && size_aim::ShortenCut(aim)) && !size_aim::RunAloneAfterRefusal(aim))
            return false;
        firstOfTry = true;
    } else if (aim.running == size_aim::Pass::First) {
        if (!size_aim::TakeReadLength(aim, job.writtenMilliseconds)) {
            if (!aim.plan.fits) {
                job.failureLine = aim.plan.reason;
                exitCode = 1;
                return false;
            }
            firstOfTry = true;
        }
    } else {
        aim.lastBytes = job.output->Size();
        if (aim.lastBytes <= aim.limitBytes || !size_aim::ScaleAfterOvershoot(aim, aim.lastBytes))
            return false;
        firstOfTry = true;
    }
    TJvCreateProcess& encoder = controls.encoders.Runner(slot);
    try {
        encoder.SetCommandLine(size_aim::NextRun(job, firstOfTry));
        encoder.Run();
    } catch (const std::exception& error) {
        job.failureLine = StartFailure(error);
        exitCode = 1;
        return false;
    }
    // A batch paused meanwhile holds the new run too.
    if (controls.model.Paused() && encoder.Suspend())
        controls.encoders.Move(slot, JobEvent::Pause);
    else if (job.life == JobLife::Paused)
        controls.encoders.Move(slot, JobEvent::Resume);
    return true;
}

// An output folder that is empty or relative was not chosen by the user (a chosen one is
// a full path): an empty one would put the outputs at the root of the file system, a
// relative one wherever the program happens to run.
bool IsUsableOutputFolder(const std::string& folder)
{
    return !folder.empty() && folder.front() == '/';
}

// Why the encoder program cannot convert with the video and audio codecs chosen now, ""
// when it can or when the choices cannot be read (the row's start reports that).
std::string EncoderRefusal(BatchControls& controls)
{
    std::vector<EncoderCheck::Need> needs;
    try {
        const ISelector& video = *controls.video[0];
        const ISelector& audio = *controls.audio[0];
        const ISelector& size = *controls.video[2];
        const std::string encoder = NamedEncoder(selectors::Fragment(controls.query, video, audio), 'v');
        // A size the video encoder cannot write would fail every row in turn.
        std::vector<std::string> takers;
        for (int i = 0, n = video.ItemCount(); i < n; ++i) {
            const std::string other = NamedEncoder(selectors::EntryFragment(controls.query, video, audio, i), 'v');
            if (!other.empty() && TakesAnySize(other))
                takers.push_back(video.Item(i));
        }
        const std::string sizeRefusal
            = SizeRefusal(encoder, selectors::Fragment(controls.query, size, audio), size.Text(), takers);
        if (!sizeRefusal.empty())
            return sizeRefusal;
        needs.push_back(
            { NamedEncoder(selectors::Fragment(controls.query, video, audio), 'v'), "Video Codec", video.Text() });
        needs.push_back(
            { NamedEncoder(selectors::Fragment(controls.query, audio, audio), 'a'), "Audio Codec", audio.Text() });
    } catch (const EUniError&) {
        return "";
    }
    return controls.encoders.Check().Refusal(command_line::EncoderPath(), needs);
}

// Begins a batch over `rows`, in this order.
void StartBatch(BatchControls& controls, const std::vector<int>& rows, RunScope scope)
{
    if (rows.empty() || controls.model.Running())
        return;
    if (!IsUsableOutputFolder(controls.outputFolder.Text())) {
        controls.statusLine.SetText(kNoOutputFolderStatus);
        return;
    }
    if (const std::string reason = output_folder::MakeDefault(controls.outputFolder.Text()); !reason.empty()) {
        controls.statusLine.SetText(kOutputFolderNotMadeStatus + controls.outputFolder.Text() + ": " + reason);
        return;
    }
    controls.encoders.LockedStarts() = 0;
    SetEditingButtonsEnabled(controls, false);
    ShowPauseButton(controls, true, false);
    controls.sleepInhibitor.SetHeld(true);
    // Left by a run of the program that was killed; files another copy still writes
    // are held by it and stay.
    PartialOutput::RemoveAbandoned(controls.outputFolder.Text());
    if (controls.partFolders)
        for (const std::string& folder : controls.partFolders())
            PartialOutput::RemoveAbandoned(folder);
    PassLog::RemoveAbandoned();
    // The sources are looked up afresh: files may have been replaced since the last batch.
    controls.encoders.Sources().Forget();
    controls.model.StartRun(rows, scope);
    controls.encoders.Estimate().Start(
        BatchEstimate::Clock::now(), controls.model.RunMilliseconds() / 1000, controls.model.RunRows());
    controls.batchDisplay.Show(0, controls.encoders.Estimate().Text());
    // Once per batch: an encoder program that lacks what the choices need fails the
    // first row with the reason, and the batch ends there.
    controls.encoders.Refusal() = EncoderRefusal(controls);
    CarryOn(controls);
    if (controls.model.Running())
        controls.busyTimer.SetEnabled(true);
}

} // namespace

const char* const kStopCommand = "q";
const char* const kOutputIsSourceHint = "Not converted: the output file would replace its own source file";
const char* const kPauseCaption = "Pause";
const char* const kResumeCaption = "Resume";
const char* const kGoOnHint = "\"Convert remaining rows\" in the list's menu goes on from there";
const char* const kSettingsLockedStatus = "Waiting for the settings file, which another program holds: ";
const char* const kSettingsUnreadableHint = "Not converted: the output parameters could not be read: ";
const char* const kNoOutputFolderStatus
    = "Not converted: choose an output folder with the button beside \"Output Directory\"";
const char* const kOutputFolderNotMadeStatus = "Not converted: cannot make the output folder ";

int PhaseImage(RowPhase phase)
{
    switch (phase) {
    case RowPhase::Converting:
        return kConvertingImage;
    case RowPhase::Converted:
    case RowPhase::Stopped:
        return kEndedImage;
    case RowPhase::Failed:
        return kFailedImage;
    case RowPhase::Waiting:
    case RowPhase::Interrupted:
        break;
    }
    return kWaitingImage;
}

void ShowRowPhase(BatchControls& controls, int row, RowPhase phase, const std::string& reason)
{
    controls.model.SetPhase(row, phase, reason);
    controls.fileList.SetImageIndex(row, PhaseImage(phase));
    controls.fileList.SetRowHint(row, reason);
}

void SetEditingButtonsEnabled(BatchControls& controls, bool enabled)
{
    for (IButton* button : controls.editingButtons)
        button->SetEnabled(enabled);
}

void ConvertRows(BatchControls& controls, RunScope scope, const std::vector<int>& selected)
{
    if (!controls.AddButton().Enabled())
        return;
    StartBatch(controls, controls.model.RowsOf(scope, selected), scope);
}

bool CanConvertRows(BatchControls& controls, RunScope scope, const std::vector<int>& selected)
{
    return controls.AddButton().Enabled() && !controls.model.Running()
        && !controls.model.RowsOf(scope, selected).empty();
}

void ConvertFiles(BatchControls& controls)
{
    if (controls.fileList.RowCount() == 0)
        return;
    ConvertRows(controls, RunScope::Whole, {});
}

void StartJob(BatchControls& controls)
{
    const int row = StrToInt(controls.cursor.Text());
    if (row < 0 || row >= controls.fileList.RowCount() || row >= controls.model.Count())
        return;
    const std::string source = controls.model.Row(row).source;
    // Read at each start: a change during a batch applies from the next row on.
    const ExistingOutputs existing = controls.existingOutputs ? controls.existingOutputs() : ExistingOutputs::Replace;
    const size_limit::Choice limit = controls.sizeLimit ? controls.sizeLimit() : size_limit::Choice {};
    // One query shows the file's facts and gives its playing time. It takes a large
    // file's header some milliseconds to read, so it runs once the encoder is under way
    // unless what to run depends on the length: skipping a whole output, or aiming at a
    // largest size.
    const bool lengthFirst = existing == ExistingOutputs::Skip || limit.kilobytes > 0;
    const long long sourceBytes = FileBytes(source);
    const long long sourceMilliseconds = lengthFirst ? command_line::ShowSourceFacts(controls.details, source) : 0;
    if (lengthFirst)
        TakeFreshLength(controls, row, sourceMilliseconds, sourceBytes);
    controls.model.RowStarted(row);
    ShowRowPhase(controls, row, RowPhase::Converting, "");
    controls.fileList.SetSubItem(row, kPercentCell, "0%");
    // A stopped encoder still finishing its file keeps its job until it ends: its file
    // is kept or removed then.
    const std::optional<std::size_t> slot = controls.encoders.FreeSlot(FilesAtOnce(controls));
    if (!slot)
        throw EJVCLException("Cannot perform this operation when process is running");
    TJvCreateProcess& encoder = controls.encoders.Runner(*slot);

    ConversionJob& job = controls.encoders.Job(*slot);
    job = ConversionJob {};
    job.rowId = controls.model.Row(row).id;
    job.source = source;
    job.playingSeconds = static_cast<int>(controls.model.Row(row).playingMilliseconds / 1000);
    job.sourceMilliseconds = sourceMilliseconds;
    job.sourceBytes = sourceBytes;
    job.keepSourceDate = controls.keepSourceDate && controls.keepSourceDate();
    // Shows the facts when they were not needed first; every way out below calls it, the
    // row's end coming on the loop only after this returns.
    const auto showFacts = [&] {
        if (lengthFirst)
            return;
        job.sourceMilliseconds = command_line::ShowSourceFacts(controls.details, source);
        TakeFreshLength(controls, row, job.sourceMilliseconds, sourceBytes);
        job.playingSeconds = static_cast<int>(controls.model.Row(row).playingMilliseconds / 1000);
    };
    if (!controls.encoders.Refusal().empty()) {
        job.failureLine = controls.encoders.Refusal();
        job.encoderUnfit = true;
        controls.encoders.Move(*slot, JobEvent::Refuse);
        encoder.PostEnd(1);
        showFacts();
        return;
    }
    const std::string output = command_line::OutputFileName(controls, row, existing);
    // The encoder, told to overwrite, would destroy the file it is reading; reading a
    // named pipe or a device, it would wait or read for ever, holding the batch.
    const std::string notAFile = file_list::NotAFileKind(source);
    if (!notAFile.empty() || command_line::SameFile(source, output)) {
        job.failureLine
            = notAFile.empty() ? kOutputIsSourceHint : "Not converted: " + source + " is " + notAFile + ", not a file";
        controls.encoders.Move(*slot, JobEvent::Refuse);
        encoder.PostEnd(1);
        showFacts();
        return;
    }
    // A folder under the output's name would refuse the rename only after the whole
    // encode. A symbolic link there is replaced as a file is, whatever it points to.
    if (IsFolder(output)) {
        job.failureLine = output + ": " + std::strerror(EISDIR);
        controls.encoders.Move(*slot, JobEvent::Refuse);
        encoder.PostEnd(1);
        showFacts();
        return;
    }
    // A whole earlier output is kept as it is; its end comes on the loop like an
    // encoder's, so the batch goes on from there. A row the user chose to convert again
    // is converted, and so is one whose earlier output is over the largest size.
    if (existing == ExistingOutputs::Skip && !controls.model.Row(row).again
        && (limit.kilobytes == 0 || FileBytes(output) <= limit.Bytes()) && IsWholeOutput(output, sourceMilliseconds)) {
        job.skippedOutput = output;
        controls.fileList.SetSubItem(row, kPercentCell, "100%");
        controls.encoders.Move(*slot, JobEvent::Refuse);
        encoder.PostEnd(0);
        return;
    }
    job.keepBoth = existing == ExistingOutputs::KeepBoth;
    try {
        job.output = std::make_unique<PartialOutput>(output);
    } catch (const EOSError& e) {
        job.outputBlocked = BlocksTheFolder(e.Code(), FolderOf(output));
        job.failureLine = (job.outputBlocked ? FolderOf(output) : output) + ": " + std::strerror(e.Code());
        controls.encoders.Move(*slot, JobEvent::Refuse);
        encoder.PostEnd(1);
        showFacts();
        return;
    }
    controls.model.SetFiles(row, output, job.output->Path(), PartialOutput::IdentityOf(job.output->Path()));
    try {
        std::vector<std::string> arguments = command_line::BuildCommandLine(controls, job.output->Path());
        if (limit.kilobytes > 0) {
            job.aim.outputPath = output;
            if (!AimAtLimit(job, std::move(arguments), limit)) {
                // Refused before encoding: no temporary file is left.
                job.output.reset();
                job.failureLine = job.aim.plan.reason;
                controls.encoders.Move(*slot, JobEvent::Refuse);
                encoder.PostEnd(1);
                showFacts();
                return;
            }
            arguments = size_aim::NextRun(job, true);
        }
        encoder.SetCommandLine(std::move(arguments));
        // Written through to the disk on the runner's thread before the end reaches the
        // batch: a power cut after the rename then finds the whole file under its name.
        encoder.AfterExit = [path = job.output->Path()] { PartialOutput::MakeDurable(path); };
        encoder.Run();
    } catch (const std::exception& error) {
        StartFailed(controls, *slot, row, error);
        showFacts();
        return;
    }
    controls.encoders.LockedStarts() = 0;
    controls.encoders.Move(*slot, JobEvent::Start);
    showFacts();
}

void JobEnded(BatchControls& controls, std::size_t slot, std::uint32_t exitCode)
{
    if (AnotherRun(controls, slot, exitCode))
        return;
    const JobOutcome outcome = FinishJob(controls, slot, exitCode);
    if (!controls.model.Running())
        return;
    ShowBatchProgress(controls);
    if (outcome.stopBatch) {
        // Every other row would meet the same full or missing folder.
        for (std::size_t other = 0; other < controls.encoders.Count(); ++other)
            AskEncoderToFinish(controls, other);
        EndBatch(controls, false, "Conversion stopped: " + outcome.reason);
        return;
    }
    CarryOn(controls);
}

void StopConversion(BatchControls& controls)
{
    if (!controls.model.Running())
        return;
    for (std::size_t slot = 0; slot < controls.encoders.Count(); ++slot) {
        const int row = RowOfJob(controls, controls.encoders.Job(slot));
        if (AskEncoderToFinish(controls, slot) && row >= 0)
            ShowRowPhase(controls, row, RowPhase::Stopped, "");
    }
    // A row whose start failed holds no encoder.
    for (int row = 0; row < controls.model.Count(); ++row)
        if (controls.model.Row(row).phase == RowPhase::Converting
            && !controls.encoders.SlotOfRow(controls.model.Row(row).id))
            ShowRowPhase(controls, row, RowPhase::Stopped, "");
    EndBatch(controls, false, std::string("Stopped. ") + kGoOnHint + ".");
}

void PauseOrResume(BatchControls& controls)
{
    BatchModel& model = controls.model;
    if (!model.Running())
        return;
    const bool pause = !model.Paused();
    model.SetPaused(pause);
    for (std::size_t slot = 0; slot < controls.encoders.Count(); ++slot) {
        if (controls.encoders.Job(slot).life != (pause ? JobLife::Running : JobLife::Paused))
            continue;
        TJvCreateProcess& encoder = controls.encoders.Runner(slot);
        if (pause ? encoder.Suspend() : encoder.Resume())
            controls.encoders.Move(slot, pause ? JobEvent::Pause : JobEvent::Resume);
    }
    ShowPauseButton(controls, true, pause);
    controls.encoders.Estimate().SetPaused(BatchEstimate::Clock::now(), pause);
    controls.batchDisplay.SetPaused(pause);
    controls.sleepInhibitor.SetHeld(!pause);
    controls.busyTimer.SetEnabled(!pause);
    if (pause)
        controls.trayIcon.SetImageIndex(kIdleTrayImage);
    ShowBatchProgress(controls);
    if (!pause)
        CarryOn(controls);
}

void ShowProgressOfBatch(BatchControls& controls)
{
    ShowBatchProgress(controls);
}

void FilesAtOnceChanged(BatchControls& controls)
{
    CarryOn(controls);
}

void RowsAppended(BatchControls& controls, int first)
{
    BatchModel& model = controls.model;
    if (!model.Running())
        return;
    for (int row = first; row < model.Count(); ++row)
        controls.encoders.Estimate().RowAdded(model.Row(row).playingMilliseconds / 1000);
    ShowBatchProgress(controls);
    CarryOn(controls);
}

bool AskEncoderToFinish(BatchControls& controls, std::size_t slot)
{
    TJvCreateProcess& encoder = controls.encoders.Runner(slot);
    if (encoder.State() != TJvProcessState::psWaiting) {
        // A refused row whose end is still on its way gives up its slot.
        if (controls.encoders.Job(slot).life == JobLife::Refused)
            controls.encoders.Move(slot, JobEvent::Stop);
        return false;
    }
    // A suspended encoder must run again to read the stop command.
    if (controls.encoders.Job(slot).life == JobLife::Paused)
        encoder.Resume();
    controls.encoders.Move(slot, JobEvent::Stop);
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
    // A row a lock held back went back to the front of the batch; a paused batch waits.
    CarryOn(controls);
}

void ToggleTrayIcon(BatchControls& controls)
{
    ITrayIcon& tray = controls.trayIcon;
    tray.SetImageIndex(tray.ImageIndex() == kIdleTrayImage ? kBusyTrayImage : kIdleTrayImage);
}

} // namespace ondrevo::batch
