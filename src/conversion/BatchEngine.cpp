#include "conversion/BatchEngine.h"

#include "base/Errors.h"
#include "base/HandlerDispatch.h"
#include "base/WorkerThread.h"
#include "conversion/Batch.h"
#include "conversion/CommandLine.h"
#include "conversion/PartialOutput.h"
#include "conversion/PassLog.h"
#include "conversion/Progress.h"
#include "conversion/StartPreparation.h"
#include "media/FileList.h"
#include "parameters/ListJournal.h"
#include "process/TJvCreateProcess.h"

#include <optional>
#include <utility>

namespace ondrevo {
namespace {

// Tells nothing: the engine before a view is given, and after it has gone.
class SilentView : public IBatchView {
public:
    void BatchStarted() override { }
    void RowStarted(int, std::size_t) override { }
    void RowPhaseChanged(int, RowPhase, const std::string&) override { }
    void RowPercent(int, int) override { }
    void RowFacts(int, const SourceFacts&) override { }
    void RowLength(int, long long, long long) override { }
    void Status(const std::string&) override { }
    void BatchProgress(int, const std::string&) override { }
    void BatchPaused(bool) override { }
    void BatchEnded(const BatchEnd&) override { }
    void EncoderEnded(std::size_t, bool) override { }
};

SilentView silentView;

} // namespace

// What only the worker thread touches: its own connection to the settings file, opened
// at the first read of a batch and closed after it.
struct BatchEngine::WorkerSide {
    SettingsPlace place;
    std::unique_ptr<ReadOnlySettings> settings;
    const std::atomic<bool>* giveUp = nullptr;

    TSqliteQuery& Query()
    {
        if (!settings)
            settings = std::make_unique<ReadOnlySettings>(place.path, place.busyTimeout, giveUp);
        return settings->Query();
    }
};

BatchEngine::BatchEngine(
    IEventLoop& loop, std::function<TSqliteQuery&()> query, std::function<SettingsPlace()> settingsPlace)
    : loop_(loop)
    , query_(std::move(query))
    , settingsPlace_(std::move(settingsPlace))
    , alive_(std::make_shared<bool>(true))
    , view_(&silentView)
    , encoders_([this](std::size_t slot) {
        auto runner = std::make_unique<TJvCreateProcess>(loop_);
        runner->SetConsoleOptions(coOwnerData | coRedirect);
        runner->OnRead = [this, slot](TJvCreateProcess&, const std::string& line, bool) {
            Dispatch([this, slot, &line] { EncoderLine(slot, line); });
        };
        runner->OnTerminate = [this, slot](TJvCreateProcess&, std::uint32_t exitCode) {
            // The end is handled even while the program is closing: it keeps the stopped file.
            bool handled = true;
            Dispatch([this, slot, exitCode, &handled] { handled = EncoderEnded(slot, exitCode); });
            if (handled)
                view_->EncoderEnded(slot, encoders_.AnyBusy());
        };
        return runner;
    })
    , workerSide_(std::make_unique<WorkerSide>())
    , worker_(std::make_unique<WorkerThread>())
{
    workerSide_->giveUp = &worker_->GivingUp();
}

BatchEngine::~BatchEngine()
{
    *alive_ = false;
    worker_.reset();
}

void BatchEngine::Deliver(std::function<void()> done)
{
    loop_.Post([alive = alive_, done = std::move(done)] {
        if (*alive)
            done();
    });
}

void BatchEngine::PrepareStart(StartRequest request)
{
    // The batch's first start opens the settings file where it is now.
    std::optional<SettingsPlace> place;
    if (request.checkEncoder && settingsPlace_) {
        place_ = settingsPlace_();
        settingsAtOnce_.reset();
        place = place_;
    }
    worker_->Post([this, place = std::move(place), request = std::move(request)]() mutable {
        if (place) {
            workerSide_->settings.reset();
            workerSide_->place = std::move(*place);
        }
        if (request.checkEncoder) {
            try {
                request.refusal = EncoderRefusalFor(workerSide_->Query(), request.choices, encoders_.Check());
            } catch (const EUniError&) {
                // The settings cannot be opened: the start below says so.
            }
        }
        auto prepared = std::make_shared<PreparedStart>(
            ondrevo::PrepareStart(request, [this]() -> TSqliteQuery& { return workerSide_->Query(); }));
        Deliver([this, prepared] { batch::FinishStart(*this, *prepared); });
    });
}

void BatchEngine::RemoveAbandonedParts(const std::string& folder)
{
    ListJournal* journal = partFolders ? partFolders() : nullptr;
    worker_->Post([folder, journal] {
        // Files another copy of the program still writes are held by it and stay.
        PartialOutput::RemoveAbandoned(folder);
        if (journal)
            for (const std::string& earlier : journal->PartFolders())
                PartialOutput::RemoveAbandoned(earlier);
        PassLog::RemoveAbandoned();
    });
}

void BatchEngine::ReadFacts(std::uint64_t ticket, std::size_t slot, const std::string& source)
{
    worker_->Post([this, ticket, slot, source] {
        auto facts = std::make_shared<SourceFacts>(file_list::ReadFacts(source));
        Deliver([this, ticket, slot, facts] { batch::FactsRead(*this, ticket, slot, *facts); });
    });
}

void BatchEngine::RememberListedFacts(const std::string& source, ListedFacts listed)
{
    listed_[source] = std::move(listed);
}

const ListedFacts* BatchEngine::Listed(const std::string& source) const
{
    const auto found = listed_.find(source);
    return found == listed_.end() ? nullptr : &found->second;
}

TSqliteQuery* BatchEngine::SettingsAtOnce()
{
    if (!settingsAtOnce_ && place_) {
        try {
            settingsAtOnce_ = std::make_unique<ReadOnlySettings>(place_->path, std::chrono::milliseconds(0));
        } catch (const EUniError&) {
            place_.reset(); // the worker thread's start reads it, and says why it cannot
            return nullptr;
        }
    }
    return settingsAtOnce_ ? &settingsAtOnce_->Query() : nullptr;
}

bool BatchEngine::Preparing() const
{
    for (std::size_t slot = 0; slot < encoders_.Count(); ++slot)
        if (encoders_.Job(slot).life == JobLife::Preparing)
            return true;
    return false;
}

void BatchEngine::BatchOver()
{
    encoderChecked_ = false;
    settingsAtOnce_.reset();
    place_.reset();
    worker_->Post([this] { workerSide_->settings.reset(); });
}

void BatchEngine::SetView(IBatchView* view)
{
    view_ = view ? view : &silentView;
}

void BatchEngine::SetChoices(BatchChoices choices)
{
    const bool more = choices.filesAtOnce > choices_.filesAtOnce;
    choices_ = std::move(choices);
    if (more)
        batch::FilesAtOnceChanged(*this);
}

void BatchEngine::Convert(RunScope scope, const std::vector<int>& selected)
{
    batch::ConvertRows(*this, scope, selected);
}

bool BatchEngine::CanConvert(RunScope scope, const std::vector<int>& selected) const
{
    return !model_.Running() && !model_.RowsOf(scope, selected).empty();
}

void BatchEngine::Stop()
{
    batch::StopConversion(*this);
}

void BatchEngine::PauseOrResume()
{
    batch::PauseOrResume(*this);
}

void BatchEngine::RowsAppended(int first)
{
    batch::RowsAppended(*this, first);
}

void BatchEngine::RetryStalledStart()
{
    batch::RetryStalledStart(*this);
}

bool BatchEngine::AskEncodersToFinish()
{
    return batch::AskEncodersToFinish(*this);
}

StartOutcome BatchEngine::StartRow(int row)
{
    return batch::StartJob(*this, row);
}

std::vector<std::string> BatchEngine::CommandLineFor(int row)
{
    return command_line::BuildCommandLine(*this, row, command_line::OutputFileName(*this, row));
}

void BatchEngine::EncoderLine(std::size_t slot, const std::string& line)
{
    // A progress line that cannot be read is reported, but while its report is open the
    // lines that keep arriving behind it are not: one report, not a stack of them.
    static bool reportOpen = false;
    try {
        progress::ShowProgress(*this, slot, line);
        batch::ShowBatchProgress(*this);
    } catch (const EConvertError&) {
        if (reportOpen)
            return;
        reportOpen = true;
        ReportHandlerError(std::current_exception());
        reportOpen = false;
    }
}

bool BatchEngine::EncoderEnded(std::size_t slot, std::uint32_t exitCode)
{
    ConversionJob& job = encoders_.Job(slot);
    if (job.factsPending) {
        job.endWaiting = exitCode;
        return false;
    }
    batch::JobEnded(*this, slot, exitCode);
    return true;
}

} // namespace ondrevo
