#include "conversion/BatchEngine.h"

#include "base/Errors.h"
#include "base/HandlerDispatch.h"
#include "conversion/Batch.h"
#include "conversion/CommandLine.h"
#include "conversion/Progress.h"
#include "process/TJvCreateProcess.h"

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

BatchEngine::BatchEngine(IEventLoop& loop, std::function<TSqliteQuery&()> query)
    : loop_(loop)
    , query_(std::move(query))
    , view_(&silentView)
    , encoders_([this](std::size_t slot) {
        auto runner = std::make_unique<TJvCreateProcess>(loop_);
        runner->SetConsoleOptions(coOwnerData | coRedirect);
        runner->OnRead = [this, slot](TJvCreateProcess&, const std::string& line, bool) {
            Dispatch([this, slot, &line] { EncoderLine(slot, line); });
        };
        runner->OnTerminate = [this, slot](TJvCreateProcess&, std::uint32_t exitCode) {
            // The end is handled even while the program is closing: it keeps the stopped file.
            Dispatch([this, slot, exitCode] { EncoderEnded(slot, exitCode); });
            view_->EncoderEnded(slot, encoders_.AnyBusy());
        };
        return runner;
    })
{
}

BatchEngine::~BatchEngine() = default;

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

void BatchEngine::EncoderEnded(std::size_t slot, std::uint32_t exitCode)
{
    batch::JobEnded(*this, slot, exitCode);
}

} // namespace ondrevo
