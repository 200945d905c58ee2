#include "process/TJvCreateProcess.h"

#include "base/Errors.h"
#include "base/HandlerDispatch.h"
#include "process/ChildStarter.h"
#include "process/GroupGuard.h"
#include "process/ProcessGroup.h"
#include "process/RunnerLink.h"
#include "process/TJvConsoleThread.h"
#include "process/TJvReadThread.h"

#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <system_error>

namespace ondrevo {
namespace {

// One notification parses at most this many pieces before it lets other UI tasks run
// and continues in a new notification, so a child that floods its output cannot
// starve the window.
constexpr int kPiecesPerNotification = 64;

// How long the destructor waits for queued input to reach the child: "q" or "quit"
// written just before a window closes must not be lost, but the program may be about
// to end, so not for long.
constexpr std::chrono::milliseconds kDetachFlushWait { 1000 };

// A child started by a Run that then failed: nobody expects it to run and nothing
// would feed, read or report it, so it is ended at once with its group and reaped.
void KillAndReap(pid_t pid)
{
    process_group::Signal(pid, -1, SIGKILL);
    siginfo_t info {};
    while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED) < 0 && errno == EINTR) { }
    GroupGuard::Forget(pid);
}

} // namespace

struct TJvCreateProcess::Impl {
    struct Reader {
        std::shared_ptr<TJvReadChannel> channel;
        std::unique_ptr<TJvReadThread> thread;
    };

    std::shared_ptr<RunnerLink> link;
    int pending = 0; // worker threads that have not reported their end yet
    std::shared_ptr<TJvConsoleInput> console;
    std::unique_ptr<TJvConsoleThread> watcher;
    Reader output, error;

    Reader* ReaderOf(const std::shared_ptr<TJvReadChannel>& channel)
    {
        if (output.channel == channel)
            return &output;
        if (error.channel == channel)
            return &error;
        return nullptr;
    }

    // Threads not joined are detached by their destructors; they end on their own.
    void ReleaseWorkers()
    {
        watcher.reset();
        console.reset();
        output = Reader {};
        error = Reader {};
    }
};

struct TJvCreateProcess::DeliveryContext {
    TJvCreateProcess* runner;
    TJvReadChannel* channel;
    const RunnerLink* link;
};

void TJvCreateProcess::PostOutputWaiting(
    const std::shared_ptr<RunnerLink>& link, const std::shared_ptr<TJvReadChannel>& channel)
{
    link->Post([link, channel] {
        if (auto* runner = link->Runner())
            runner->OutputWaiting(channel);
    });
}

TJvCreateProcess::TJvCreateProcess(IEventLoop& loop)
    : loop_(loop)
    , impl_(std::make_unique<Impl>())
{
    impl_->link = std::make_shared<RunnerLink>(loop_, *this);
}

TJvCreateProcess::~TJvCreateProcess()
{
    // Detach: no event reaches this runner any more. The readers read and discard until
    // the child's output ends; the watcher writes what is pending, closes the child's
    // input, keeps its end schedule and reaps the child.
    impl_->link->Cut();
    for (auto* reader : { &impl_->output, &impl_->error })
        if (reader->channel)
            reader->channel->Detach();
    if (impl_->console) {
        impl_->console->Detach();
        impl_->console->WaitUntilFlushed(kDetachFlushWait);
    }
}

void TJvCreateProcess::SetCommandLine(std::vector<std::string> arguments)
{
    arguments_ = std::move(arguments);
}

std::string TJvCreateProcess::CommandLine() const
{
    std::string text;
    for (const auto& argument : arguments_) {
        if (!text.empty())
            text += ' ';
        const bool quote = argument.empty() || argument.find_first_of(" \t\n\r'\"\\") != std::string::npos;
        if (!quote) {
            text += argument;
            continue;
        }
        text += '\'';
        for (char c : argument) {
            if (c == '\'')
                text += "'\\''";
            else
                text += c;
        }
        text += '\'';
    }
    return text;
}

void TJvCreateProcess::Run()
{
    if (state_ == TJvProcessState::psWaiting)
        throw EJVCLException("Cannot perform this operation when process is running");
    state_ = TJvProcessState::psReady;
    impl_->pending = 0;
    impl_->ReleaseWorkers();
    pid_ = 0;
    ++starts_;

    const bool redirect = (consoleOptions_ & coRedirect) != 0;
    const bool separateError = redirect && (consoleOptions_ & coSeparateError) != 0;
    // The channels (with their eventfds) come first: when they cannot be made, no child
    // has been started.
    std::shared_ptr<TJvReadChannel> output, error;
    if (redirect)
        output = std::make_shared<TJvReadChannel>(false);
    if (separateError)
        error = std::make_shared<TJvReadChannel>(true);

    ChildStartup startup;
    startup.arguments = arguments_;
    startup.directory = currentDirectory_;
    startup.environment = environment_;
    startup.priority = priority_;
    startup.redirect = redirect;
    startup.separateError = separateError;
    StartedChild child = ChildStarter::Start(startup);
    pid_ = child.pid;

    // From here on a failure must not leave the child behind unwatched.
    std::shared_ptr<TJvConsoleInput> console;
    std::vector<std::shared_ptr<TJvReadChannel>> readers;
    try {
        console = std::make_shared<TJvConsoleInput>(std::move(child.input));
        for (const auto& channel : { output, error }) {
            if (channel) {
                channel->parser.Reset();
                readers.push_back(channel);
            }
        }
        const auto link = impl_->link;
        impl_->console = console;
        impl_->output.channel = output;
        impl_->error.channel = error;
        impl_->pending = 1 + static_cast<int>(readers.size());
        state_ = TJvProcessState::psWaiting;
        impl_->watcher = std::make_unique<TJvConsoleThread>(child.pid, std::move(child.pidfd), console, readers,
            [link, console, afterExit = AfterExit](std::uint32_t exitCode) {
                if (afterExit)
                    afterExit();
                link->Post([link, console, exitCode] {
                    if (auto* runner = link->Runner())
                        runner->WatcherEnded(console, exitCode);
                });
            });
        const auto startReader = [&](Impl::Reader& reader, UniqueFd pipe) {
            auto channel = reader.channel;
            TJvReadThread::Notices notices;
            notices.outputWaiting = [link, channel] { PostOutputWaiting(link, channel); };
            notices.ended = [link, channel] {
                link->Post([link, channel] {
                    if (auto* runner = link->Runner())
                        runner->ReaderEnded(channel);
                });
            };
            reader.thread = std::make_unique<TJvReadThread>(std::move(pipe), channel, std::move(notices));
        };
        if (output)
            startReader(impl_->output, std::move(child.output));
        if (error)
            startReader(impl_->error, std::move(child.error));
    } catch (...) {
        // No thread or no memory to be had. The child is killed; a watcher that did
        // start reaps it, otherwise it is reaped here. Threads that did start send
        // nothing and end with the child's pipes.
        for (const auto& channel : readers)
            channel->Detach();
        const bool watched = impl_->watcher != nullptr;
        if (watched) {
            console->Detach();
            console->ScheduleEnd(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
        } else {
            KillAndReap(child.pid);
        }
        impl_->ReleaseWorkers();
        impl_->pending = 0;
        state_ = TJvProcessState::psReady;
        pid_ = 0;
        try {
            throw;
        } catch (const std::system_error& e) {
            throw EOSError::FromErrno(e.code().value());
        }
    }
}

void TJvCreateProcess::PostEnd(std::uint32_t exitCode)
{
    if (state_ == TJvProcessState::psWaiting)
        throw EJVCLException("Cannot perform this operation when process is running");
    const std::uint64_t start = ++starts_;
    const auto link = impl_->link;
    link->Post([link, start, exitCode] {
        TJvCreateProcess* runner = link->Runner();
        if (!runner || runner->starts_ != start || runner->state_ != TJvProcessState::psReady)
            return;
        runner->exitCode_ = exitCode;
        const TerminateEvent handler = runner->OnTerminate;
        if (handler)
            handler(*runner, exitCode);
    });
}

bool TJvCreateProcess::Write(const std::string& text)
{
    if (text.empty())
        return true;
    if (!impl_->console)
        return false;
    return impl_->console->Queue(text);
}

bool TJvCreateProcess::Suspend()
{
    if (!impl_->console || state_ != TJvProcessState::psWaiting)
        return false;
    impl_->console->Signal(SIGSTOP);
    return true;
}

bool TJvCreateProcess::Resume()
{
    if (!impl_->console || state_ != TJvProcessState::psWaiting)
        return false;
    impl_->console->Signal(SIGCONT);
    return true;
}

void TJvCreateProcess::ScheduleEnd(std::chrono::milliseconds terminateAfter, std::chrono::milliseconds killAfter)
{
    if (impl_->console)
        impl_->console->ScheduleEnd(terminateAfter, killAfter);
}

bool TJvCreateProcess::DeliverLine(
    TJvReadChannel& channel, const RunnerLink& link, const std::string& line, bool startsOnNewLine)
{
    if (!(consoleOptions_ & coOwnerData)) {
        if (startsOnNewLine || consoleOutput_.empty())
            consoleOutput_.push_back(line);
        else
            consoleOutput_.back() = line;
    }
    // A copy: the handler may replace itself while it runs.
    const ReadEvent handler = channel.errorPipe ? OnErrorRead : OnRead;
    if (handler)
        handler(*this, line, startsOnNewLine);
    return !link.IsCut();
}

bool TJvCreateProcess::ParsePiece(TJvReadChannel& channel, const char* data, std::size_t n)
{
    // Held here: a handler may destroy the runner, and the link tells.
    const std::shared_ptr<RunnerLink> link = impl_->link;
    const RawReadEvent raw = channel.errorPipe ? OnErrorRawRead : OnRawRead;
    if (raw) {
        raw(*this, std::string(data, n));
        if (link->IsCut())
            return false;
    }
    DeliveryContext context { this, &channel, link.get() };
    return channel.parser.Parse(data, n, [&context](const std::string& line, bool startsOnNewLine) {
        return context.runner->DeliverLine(*context.channel, *context.link, line, startsOnNewLine);
    });
}

void TJvCreateProcess::OutputWaiting(const std::shared_ptr<TJvReadChannel>& channel)
{
    if (channel->finished)
        return;
    const std::shared_ptr<RunnerLink> link = impl_->link;
    char piece[TJvReadBuffer::kPieceSize];
    for (int i = 0; i < kPiecesPerNotification; ++i) {
        const std::size_t n = channel->buffer.Take(piece, sizeof piece);
        if (n == 0)
            return;
        bool goOn = false;
        try {
            goOn = ParsePiece(*channel, piece, n);
        } catch (...) {
            // The error goes to the error report where this task is dispatched; what is
            // still buffered is parsed by the next notification.
            if (!link->IsCut())
                PostOutputWaiting(link, channel);
            throw;
        }
        if (!goOn)
            return;
    }
    PostOutputWaiting(link, channel);
}

void TJvCreateProcess::ReaderEnded(const std::shared_ptr<TJvReadChannel>& channel)
{
    Impl::Reader* reader = impl_->ReaderOf(channel);
    if (!reader || channel->finished)
        return;
    const std::shared_ptr<RunnerLink> link = impl_->link;
    // Errors of the handlers in this last delivery are reported here, and the end still
    // counts, so OnTerminate follows.
    char piece[TJvReadBuffer::kPieceSize];
    while (const std::size_t n = channel->buffer.Take(piece, sizeof piece)) {
        try {
            if (!ParsePiece(*channel, piece, n))
                return;
        } catch (...) {
            ReportHandlerError(std::current_exception());
            if (link->IsCut())
                return;
        }
    }
    try {
        DeliveryContext context { this, channel.get(), link.get() };
        const bool goOn = channel->parser.Finish([&context](const std::string& line, bool startsOnNewLine) {
            return context.runner->DeliverLine(*context.channel, *context.link, line, startsOnNewLine);
        });
        if (!goOn)
            return;
    } catch (...) {
        ReportHandlerError(std::current_exception());
        if (link->IsCut())
            return;
    }
    channel->finished = true;
    reader->thread->Join();
    CountEnd();
}

void TJvCreateProcess::WatcherEnded(const std::shared_ptr<TJvConsoleInput>& watched, std::uint32_t exitCode)
{
    if (watched != impl_->console)
        return;
    exitCode_ = exitCode;
    impl_->watcher->Join();
    impl_->watcher.reset();
    impl_->console.reset(); // Write answers false from now on
    CountEnd();
}

void TJvCreateProcess::CountEnd()
{
    if (state_ != TJvProcessState::psWaiting)
        return;
    if (impl_->pending > 0)
        --impl_->pending;
    if (impl_->pending > 0)
        return;
    state_ = TJvProcessState::psReady;
    impl_->ReleaseWorkers();
    // Ready before the event, so the handler may Run again. Nothing of this runner is
    // touched after the call: the handler may even destroy it.
    const TerminateEvent handler = OnTerminate;
    if (handler)
        handler(*this, exitCode_);
}

} // namespace ondrevo
