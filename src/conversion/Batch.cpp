#include "conversion/Batch.h"

#include "base/Errors.h"
#include "conversion/BatchEngine.h"
#include "conversion/BatchModel.h"
#include "conversion/CommandLine.h"
#include "conversion/ConversionJob.h"
#include "conversion/EncoderPool.h"
#include "conversion/JobOutcome.h"
#include "conversion/JobPlan.h"
#include "conversion/Progress.h"
#include "conversion/SizeAim.h"
#include "conversion/SourceDate.h"
#include "conversion/StartPreparation.h"
#include "conversion/WholeOutput.h"
#include "parameters/OutputFolder.h"
#include "parameters/TSqliteQuery.h"
#include "process/TJvCreateProcess.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <utility>

namespace ondrevo::batch {
namespace {

// A stopped encoder finishes its file within a second or two; one that ignores the stop
// command would keep the runner busy, and every later Convert refused, for ever.
constexpr std::chrono::seconds kStoppedEncoderGrace { 10 };
constexpr std::chrono::seconds kTerminatedEncoderGrace { 5 };

// Starts of one row that a lock on the settings file may defeat before the row fails.
// Each try waits out the database's busy timeout; the busy timer's ticks come between.
constexpr int kLockedStartTries = 5;

} // namespace

// The whole batch's share and time left, after a row's progress or end.
void ShowBatchProgress(BatchEngine& engine)
{
    BatchEstimate& estimate = engine.Encoders().Estimate();
    if (!estimate.Running())
        return;
    long long running = 0;
    for (std::size_t slot = 0; slot < engine.Encoders().Count(); ++slot) {
        const ConversionJob& job = engine.Encoders().Job(slot);
        if (engine.Encoders().Busy(slot) && !WasStopped(job.life))
            running += size_aim::DoneSeconds(job);
    }
    estimate.Update(BatchEstimate::Clock::now(), running);
    engine.View().BatchProgress(estimate.Percent(), estimate.Text());
}

namespace {

// The batch is over: after its last row (`complete`, power-off when ticked), or early
// because nothing more can be written, with `status` saying why, or stopped by the user.
void EndBatch(BatchEngine& engine, bool complete, const std::string& status)
{
    const std::string summary = engine.Encoders().Estimate().Summary();
    engine.Encoders().Refusal().clear();
    engine.Model().EndRun();
    engine.Encoders().Estimate().Stop();
    engine.BatchOver();
    engine.View().BatchEnded(BatchEnd { complete, summary, status });
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

// The row of a job while the list still holds it (after Stop the user may delete or
// clear rows while the encoder is finishing), or -1.
int RowOfJob(const BatchEngine& engine, const ConversionJob& job)
{
    return engine.Model().IndexOf(job.rowId).value_or(-1);
}

// Renames the job's whole file to its final name. With "Keep both", a file that
// appeared under that name while the encoder wrote (another program, another copy) is
// not replaced: the file takes the row's next free name instead.
void CommitOutput(BatchEngine& engine, ConversionJob& job)
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
            const int row = RowOfJob(engine, job);
            if (e.Code() != EEXIST || row < 0 || tries >= 3)
                throw;
            job.output->Retarget(command_line::OutputFileName(engine, row, ExistingOutputs::KeepBoth));
            engine.Model().SetFiles(row, job.output->FinalPath(), job.output->Path(), engine.Model().Row(row).partId);
        }
    }
}

// Judges the run that ended, keeps its file or removes it, and gives its row its phase.
JobOutcome JudgeAndKeep(BatchEngine& engine, std::size_t slot, std::uint32_t exitCode)
{
    ConversionJob& job = engine.Encoders().Job(slot);
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
            CommitOutput(engine, job);
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
    if (!stopped && engine.Encoders().Estimate().Running()) {
        if (skipped)
            engine.Encoders().Estimate().RowSkipped(job.playingSeconds);
        else
            engine.Encoders().Estimate().RowEnded(job.playingSeconds, outcome.failed);
    }
    if (const int row = RowOfJob(engine, job); row >= 0) {
        // A skipped row's output is whole, even when a Stop came before its end.
        const RowPhase phase = outcome.failed ? RowPhase::Failed
            : (stopped && !skipped)           ? RowPhase::Stopped
                                              : RowPhase::Converted;
        ShowRowPhase(engine, row, phase, outcome.reason);
        // A converted file is whole, however few progress lines its encoder printed (a
        // clip of one picture prints none with a time past zero).
        if (phase == RowPhase::Converted)
            engine.View().RowPercent(row, 100);
    }
    job.rowId = 0;
    engine.Encoders().Move(slot, JobEvent::End);
    return outcome;
}

std::size_t FilesAtOnce(BatchEngine& engine)
{
    return static_cast<std::size_t>(std::max(1, engine.Choices().filesAtOnce));
}

// A source mended or replaced since it was listed (a failed row converted again) plays
// what the query at its start says: the row's time and cells, and the batch's total,
// follow it, so its percent and the time left are counted on what is converted.
void TakeFreshLength(BatchEngine& engine, int row, long long milliseconds, long long bytes)
{
    const long long listed = engine.Model().Row(row).playingMilliseconds;
    if (milliseconds <= 0 || milliseconds / 1000 == listed / 1000)
        return;
    engine.Model().SetPlayingMilliseconds(row, milliseconds);
    if (engine.Encoders().Estimate().Running())
        engine.Encoders().Estimate().RowLengthChanged(listed / 1000, milliseconds / 1000);
    engine.View().RowLength(row, milliseconds, bytes);
}

} // namespace

void CarryOn(BatchEngine& engine)
{
    BatchModel& model = engine.Model();
    if (!model.Running())
        return;
    while (!model.Paused()) {
        // One start is read at a time; the first asks the encoder program what it has.
        if (engine.Preparing())
            return;
        // An encoder program unfit for the choices fails one row, and the batch ends with it.
        if (!engine.Encoders().Refusal().empty() && engine.Encoders().AnyBusy())
            return;
        const std::optional<int> next = model.NextRow();
        if (!next || !engine.Encoders().FreeSlot(FilesAtOnce(engine)))
            break;
        const StartOutcome outcome = StartJob(engine, *next);
        if (outcome == StartOutcome::Held)
            return; // the busy timer's next tick tries it again
        if (outcome == StartOutcome::Preparing)
            return; // FinishStart carries on
    }
    if (!model.NextRow() && !engine.Encoders().AnyBusy())
        EndBatch(engine, true, "");
}

namespace {

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
StartOutcome StartFailed(BatchEngine& engine, std::size_t slot, int row, const std::exception& error)
{
    ConversionJob& job = engine.Encoders().Job(slot);
    job.output.reset();
    const auto* database = dynamic_cast<const EUniError*>(&error);
    if (database && IsLockError(*database) && ++engine.Encoders().LockedStarts() < kLockedStartTries) {
        job = ConversionJob {};
        engine.Model().Requeue(row); // it keeps its converting phase meanwhile
        engine.View().Status(std::string(kSettingsLockedStatus) + error.what());
        return StartOutcome::Held;
    }
    engine.Encoders().LockedStarts() = 0;
    job.failureLine = StartFailure(error);
    engine.Encoders().Move(slot, JobEvent::Refuse);
    engine.Encoders().Runner(slot).PostEnd(1);
    return StartOutcome::Ended;
}

// Under a limit, the end of a run that is not the row's last: a first pass that
// analysed (planned again when it read longer than the source's header said), a writing
// run whose file came out over the limit with tries left (its bitrate scaled down by the
// overshoot), a second pass the encoder refused (a single run next), or, with "Cut to
// fit", a run whose bitrate the encoder found too low for the picture (a shorter cut).
// Starts the row's next run on the same encoder and returns true; a run that cannot
// start ends the row as failed (`exitCode` set). A run that ended as the batch was
// paused goes on the same way, its next run held with the batch.
bool AnotherRun(BatchEngine& engine, std::size_t slot, std::uint32_t& exitCode)
{
    ConversionJob& job = engine.Encoders().Job(slot);
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
    TJvCreateProcess& encoder = engine.Encoders().Runner(slot);
    try {
        encoder.SetCommandLine(size_aim::NextRun(job, firstOfTry));
        encoder.Run();
    } catch (const std::exception& error) {
        job.failureLine = StartFailure(error);
        exitCode = 1;
        return false;
    }
    // A batch paused meanwhile holds the new run too.
    if (engine.Model().Paused() && encoder.Suspend())
        engine.Encoders().Move(slot, JobEvent::Pause);
    else if (job.life == JobLife::Paused)
        engine.Encoders().Move(slot, JobEvent::Resume);
    return true;
}

// An output folder that is empty or relative was not chosen by the user (a chosen one is
// a full path): an empty one would put the outputs at the root of the file system, a
// relative one wherever the program happens to run.
bool IsUsableOutputFolder(const std::string& folder)
{
    return !folder.empty() && folder.front() == '/';
}

// Begins a batch over `rows`, in this order.
void StartBatch(BatchEngine& engine, const std::vector<int>& rows, RunScope scope)
{
    if (rows.empty() || engine.Model().Running())
        return;
    const std::string& folder = engine.Choices().outputFolder;
    if (!IsUsableOutputFolder(folder)) {
        engine.View().Status(kNoOutputFolderStatus);
        return;
    }
    if (const std::string reason = output_folder::MakeDefault(folder); !reason.empty()) {
        engine.View().Status(kOutputFolderNotMadeStatus + folder + ": " + reason);
        return;
    }
    engine.Encoders().LockedStarts() = 0;
    engine.View().BatchStarted();
    // Left by a run of the program that was killed; removed before the first row starts.
    engine.RemoveAbandonedParts(folder);
    // The sources are looked up afresh: files may have been replaced since the last batch.
    engine.Encoders().Sources().Forget();
    engine.Model().StartRun(rows, scope);
    engine.Encoders().Estimate().Start(
        BatchEstimate::Clock::now(), engine.Model().RunMilliseconds() / 1000, engine.Model().RunRows());
    engine.View().BatchProgress(0, engine.Encoders().Estimate().Text());
    // Once per batch, by the first row's start: an encoder program that lacks what the
    // choices need fails that row with the reason, and the batch ends there.
    engine.Encoders().Refusal().clear();
    engine.SetEncoderChecked(false);
    CarryOn(engine);
}

// Ends the job of `slot` without an encoder: its end comes on the loop like an
// encoder's, so the batch goes on from there.
StartOutcome EndWithoutEncoder(BatchEngine& engine, std::size_t slot, JobEvent event, std::uint32_t exitCode)
{
    engine.Encoders().Move(slot, event);
    engine.Encoders().Runner(slot).PostEnd(exitCode);
    return StartOutcome::Ended;
}

// The facts of the job's source, told to the view; its length and size follow them, and
// the job takes the length.
void TellFacts(BatchEngine& engine, ConversionJob& job, int row, SourceFacts facts)
{
    facts.bytes = job.sourceBytes;
    engine.View().RowFacts(row, facts);
    TakeFreshLength(engine, row, facts.milliseconds, job.sourceBytes);
    job.sourceMilliseconds = facts.milliseconds;
    job.playingSeconds = static_cast<int>(engine.Model().Row(row).playingMilliseconds / 1000);
}

// Runs the row's encoder on what its start read, or ends the row without one: refused
// (with the reason), skipped, its temporary file not made, its settings not read (a
// lock holds it back for the busy timer), or its size plan unfit.
StartOutcome Launch(BatchEngine& engine, std::size_t slot, int row, PreparedStart& prepared)
{
    ConversionJob& job = engine.Encoders().Job(slot);
    const std::string& output = prepared.output;
    if (prepared.plan.kind == JobPlan::Kind::Refuse) {
        job.failureLine = prepared.plan.reason;
        job.encoderUnfit = prepared.plan.encoderUnfit;
        return EndWithoutEncoder(engine, slot, JobEvent::Refuse, 1);
    }
    if (prepared.plan.kind == JobPlan::Kind::Skip) {
        job.skippedOutput = output;
        engine.View().RowPercent(row, 100);
        return EndWithoutEncoder(engine, slot, JobEvent::Skip, 0);
    }
    try {
        job.output = std::make_unique<PartialOutput>(output);
    } catch (const EOSError& e) {
        job.outputBlocked = BlocksTheFolder(e.Code(), FolderOf(output));
        job.failureLine = (job.outputBlocked ? FolderOf(output) : output) + ": " + std::strerror(e.Code());
        return EndWithoutEncoder(engine, slot, JobEvent::Refuse, 1);
    }
    engine.Model().SetFiles(row, output, job.output->Path(), PartialOutput::IdentityOf(job.output->Path()));
    TJvCreateProcess& encoder = engine.Encoders().Runner(slot);
    try {
        if (prepared.error)
            std::rethrow_exception(prepared.error);
        // Built to write the output's final name; the encoder writes its temporary file.
        std::vector<std::string> arguments = std::move(prepared.arguments);
        arguments.back() = job.output->Path();
        if (prepared.limit.kilobytes > 0) {
            size_aim::Aim& aim = job.aim;
            aim.outputPath = output;
            aim.limitBytes = prepared.limit.Bytes();
            aim.cutToFit = prepared.limit.cutToFit;
            aim.sourceMilliseconds = job.sourceMilliseconds;
            aim.lengths = prepared.lengths;
            aim.traits = prepared.traits;
            aim.plan = prepared.aimPlan;
            aim.arguments = std::move(arguments);
            if (!aim.plan.fits) {
                // Refused before encoding: no temporary file is left.
                job.output.reset();
                job.failureLine = aim.plan.reason;
                return EndWithoutEncoder(engine, slot, JobEvent::Refuse, 1);
            }
            arguments = size_aim::NextRun(job, true);
        }
        encoder.SetCommandLine(std::move(arguments));
        // Written through to the disk on the runner's thread before the end reaches the
        // batch: a power cut after the rename then finds the whole file under its name.
        encoder.AfterExit = [path = job.output->Path()] { PartialOutput::MakeDurable(path); };
        encoder.Run();
    } catch (const std::exception& error) {
        return StartFailed(engine, slot, row, error);
    }
    engine.Encoders().LockedStarts() = 0;
    engine.Encoders().Move(slot, JobEvent::Start);
    // A batch paused while the start was read holds its encoder too.
    if (engine.Model().Paused() && encoder.Suspend())
        engine.Encoders().Move(slot, JobEvent::Pause);
    return StartOutcome::Started;
}

} // namespace

std::string EncoderRefusal(BatchEngine& engine)
{
    return EncoderRefusalFor(engine.Query(), engine.Choices(), engine.Encoders().Check());
}

const char* const kStopCommand = "q";
const char* const kOutputIsSourceHint = "Not converted: the output file would replace its own source file";
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

void ShowRowPhase(BatchEngine& engine, int row, RowPhase phase, const std::string& reason)
{
    engine.Model().SetPhase(row, phase, reason);
    engine.View().RowPhaseChanged(row, phase, reason);
}

void ConvertRows(BatchEngine& engine, RunScope scope, const std::vector<int>& selected)
{
    if (engine.Model().Running())
        return;
    StartBatch(engine, engine.Model().RowsOf(scope, selected), scope);
}

bool CanConvertRows(BatchEngine& engine, RunScope scope, const std::vector<int>& selected)
{
    return !engine.Model().Running() && !engine.Model().RowsOf(scope, selected).empty();
}

namespace {

// Whether the settings could not be read only because another program holds the file.
bool HeldBack(const std::exception_ptr& error)
{
    if (!error)
        return false;
    try {
        std::rethrow_exception(error);
    } catch (const EUniError& database) {
        return IsLockError(database);
    } catch (...) {
        return false;
    }
}

// Runs the row's encoder on what its start read, or ends it without one (Launch); a
// start given up meanwhile (Stop) starts nothing (NoRow).
StartOutcome CompleteStart(BatchEngine& engine, PreparedStart& prepared)
{
    if (prepared.slot >= engine.Encoders().Count())
        return StartOutcome::NoRow;
    ConversionJob& job = engine.Encoders().Job(prepared.slot);
    // Stopped meanwhile, the slot was given up (and maybe claimed again): nothing starts.
    if (job.ticket != prepared.ticket || job.life != JobLife::Preparing) {
        if (job.ticket == prepared.ticket && job.life == JobLife::Abandoned)
            engine.Encoders().Move(prepared.slot, JobEvent::End);
        return StartOutcome::NoRow;
    }
    if (prepared.encoderChecked) {
        engine.Encoders().Refusal() = prepared.refusal;
        engine.SetEncoderChecked(true);
    }
    const int row = RowOfJob(engine, job);
    if (row < 0) {
        engine.Encoders().Move(prepared.slot, JobEvent::End);
        return StartOutcome::NoRow;
    }
    job.sourceBytes = prepared.sourceBytes;
    const bool factsKnown = prepared.facts.has_value();
    if (factsKnown)
        TellFacts(engine, job, row, *prepared.facts);
    const std::uint64_t ticket = job.ticket;
    const StartOutcome outcome = Launch(engine, prepared.slot, row, prepared);
    if (outcome != StartOutcome::Held && !factsKnown) {
        // The end waits for the facts: its judgement needs the source's length.
        job.factsPending = true;
        engine.ReadFacts(ticket, prepared.slot, job.source);
    }
    return outcome;
}

} // namespace

StartOutcome StartJob(BatchEngine& engine, int row)
{
    BatchModel& model = engine.Model();
    if (row < 0 || row >= model.Count())
        return StartOutcome::NoRow;
    // Taken at each start: a change during a batch applies from the next row on.
    const BatchChoices& choices = engine.Choices();
    // A stopped encoder still finishing its file keeps its job until it ends: its file
    // is kept or removed then.
    const std::optional<std::size_t> slot = engine.Encoders().FreeSlot(FilesAtOnce(engine));
    if (!slot)
        throw EJVCLException("Cannot perform this operation when process is running");
    model.RowStarted(row);
    ShowRowPhase(engine, row, RowPhase::Converting, "");
    engine.View().RowStarted(row, *slot);

    ConversionJob& job = engine.Encoders().Job(*slot);
    job = ConversionJob {};
    job.ticket = engine.NextTicket();
    job.rowId = model.Row(row).id;
    job.source = model.Row(row).source;
    job.playingSeconds = static_cast<int>(model.Row(row).playingMilliseconds / 1000);
    job.keepSourceDate = choices.keepSourceDate;
    job.keepBoth = choices.existing == ExistingOutputs::KeepBoth;

    StartRequest request;
    request.ticket = job.ticket;
    request.slot = *slot;
    request.source = job.source;
    request.again = model.Row(row).again;
    request.choices = choices;
    request.refusal = engine.Encoders().Refusal();
    request.checkEncoder = !engine.EncoderChecked();
    request.output = request.refusal.empty() ? command_line::OutputFileName(engine, row, choices.existing) : "";
    // One query tells the file's facts and gives its playing time. It takes a large
    // file's header some milliseconds to read, so it is read once the encoder is under
    // way unless what to run depends on the length: skipping a whole output, or aiming
    // at a largest size.
    request.factsFirst = choices.existing == ExistingOutputs::Skip || choices.sizeLimit.kilobytes > 0;
    if (const ListedFacts* listed = engine.Listed(job.source))
        request.listed = *listed;
    engine.Encoders().Move(*slot, JobEvent::Prepare);
    // A start that needs neither the encoder program, nor a child, nor the source's
    // header before its encoder runs is read here when the settings file is free:
    // handing it to the worker thread would only delay its encoder. A lock sends it there.
    if (!request.checkEncoder && !request.factsFirst && !choices.keepSourceDate) {
        if (TSqliteQuery* settings = engine.SettingsAtOnce()) {
            request.factsOnRefusal = false;
            PreparedStart prepared = PrepareStart(request, [settings]() -> TSqliteQuery& { return *settings; });
            if (!HeldBack(prepared.error))
                return CompleteStart(engine, prepared);
            request.factsOnRefusal = true;
        }
    }
    engine.PrepareStart(std::move(request));
    return StartOutcome::Preparing;
}

void FinishStart(BatchEngine& engine, PreparedStart& prepared)
{
    const StartOutcome outcome = CompleteStart(engine, prepared);
    if (outcome == StartOutcome::Started || outcome == StartOutcome::Ended)
        CarryOn(engine);
}

void FactsRead(BatchEngine& engine, std::uint64_t ticket, std::size_t slot, const SourceFacts& facts)
{
    if (slot >= engine.Encoders().Count())
        return;
    ConversionJob& job = engine.Encoders().Job(slot);
    if (job.ticket != ticket || !job.factsPending)
        return;
    job.factsPending = false;
    if (const int row = RowOfJob(engine, job); row >= 0)
        TellFacts(engine, job, row, facts);
    if (const std::optional<std::uint32_t> exitCode = std::exchange(job.endWaiting, std::nullopt))
        if (engine.EncoderEnded(slot, *exitCode))
            engine.View().EncoderEnded(slot, engine.Encoders().AnyBusy());
}

void JobEnded(BatchEngine& engine, std::size_t slot, std::uint32_t exitCode)
{
    if (AnotherRun(engine, slot, exitCode))
        return;
    const JobOutcome outcome = JudgeAndKeep(engine, slot, exitCode);
    if (!engine.Model().Running())
        return;
    ShowBatchProgress(engine);
    if (outcome.stopBatch) {
        // Every other row would meet the same full or missing folder.
        for (std::size_t other = 0; other < engine.Encoders().Count(); ++other)
            AskEncoderToFinish(engine, other);
        EndBatch(engine, false, "Conversion stopped: " + outcome.reason);
        return;
    }
    CarryOn(engine);
}

void StopConversion(BatchEngine& engine)
{
    if (!engine.Model().Running())
        return;
    for (std::size_t slot = 0; slot < engine.Encoders().Count(); ++slot) {
        const int row = RowOfJob(engine, engine.Encoders().Job(slot));
        if (AskEncoderToFinish(engine, slot) && row >= 0)
            ShowRowPhase(engine, row, RowPhase::Stopped, "");
    }
    // A row whose start failed holds no encoder.
    for (int row = 0; row < engine.Model().Count(); ++row)
        if (engine.Model().Row(row).phase == RowPhase::Converting
            && !engine.Encoders().SlotOfRow(engine.Model().Row(row).id))
            ShowRowPhase(engine, row, RowPhase::Stopped, "");
    EndBatch(engine, false, std::string("Stopped. ") + kGoOnHint + ".");
}

void PauseOrResume(BatchEngine& engine)
{
    BatchModel& model = engine.Model();
    if (!model.Running())
        return;
    const bool pause = !model.Paused();
    model.SetPaused(pause);
    for (std::size_t slot = 0; slot < engine.Encoders().Count(); ++slot) {
        if (engine.Encoders().Job(slot).life != (pause ? JobLife::Running : JobLife::Paused))
            continue;
        TJvCreateProcess& encoder = engine.Encoders().Runner(slot);
        if (pause ? encoder.Suspend() : encoder.Resume())
            engine.Encoders().Move(slot, pause ? JobEvent::Pause : JobEvent::Resume);
    }
    engine.Encoders().Estimate().SetPaused(BatchEstimate::Clock::now(), pause);
    engine.View().BatchPaused(pause);
    ShowBatchProgress(engine);
    if (!pause)
        CarryOn(engine);
}

void FilesAtOnceChanged(BatchEngine& engine)
{
    CarryOn(engine);
}

void RowsAppended(BatchEngine& engine, int first)
{
    BatchModel& model = engine.Model();
    if (!model.Running())
        return;
    for (int row = first; row < model.Count(); ++row)
        engine.Encoders().Estimate().RowAdded(model.Row(row).playingMilliseconds / 1000);
    ShowBatchProgress(engine);
    CarryOn(engine);
}

bool AskEncoderToFinish(BatchEngine& engine, std::size_t slot)
{
    TJvCreateProcess& encoder = engine.Encoders().Runner(slot);
    if (encoder.State() != TJvProcessState::psWaiting) {
        // A row without an encoder whose end is still on its way, or whose start is still
        // being read, gives up its slot.
        if (const JobLife life = engine.Encoders().Job(slot).life;
            life == JobLife::EndPosted || life == JobLife::Preparing)
            engine.Encoders().Move(slot, JobEvent::Stop);
        return false;
    }
    // A suspended encoder must run again to read the stop command.
    if (engine.Encoders().Job(slot).life == JobLife::Paused)
        encoder.Resume();
    engine.Encoders().Move(slot, JobEvent::Stop);
    if (encoder.Write(kStopCommand))
        encoder.ScheduleEnd(kStoppedEncoderGrace, kTerminatedEncoderGrace);
    else
        encoder.ScheduleEnd(std::chrono::milliseconds(0), kTerminatedEncoderGrace);
    return true;
}

bool AskEncodersToFinish(BatchEngine& engine)
{
    bool any = false;
    for (std::size_t slot = 0; slot < engine.Encoders().Count(); ++slot)
        any = AskEncoderToFinish(engine, slot) || any;
    return any;
}

void RetryStalledStart(BatchEngine& engine)
{
    // A row a lock held back went back to the front of the batch; a paused batch waits.
    CarryOn(engine);
}

} // namespace ondrevo::batch
