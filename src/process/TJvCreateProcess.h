#pragma once
// Runs one console child process at a time with its standard input, output and error on
// pipes. Its output arrives as text lines on the UI loop (OnRead), text can be queued
// for its input (Write), and its end is reported with the exit code (OnTerminate) after
// the last line. The UI thread never blocks on the child. The child leads a process
// group of its own, and "the child" here is that whole group: the programs a wrapper
// script runs get the end's signals with it, and what the child leaves running when it
// ends is ended before the end is reported. None of it outlives our process: it is
// killed when the process ends, however it ends (see ChildStarter).

#include "base/EventLoop.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ondrevo {

struct TJvReadChannel;
class TJvConsoleInput;
class RunnerLink;

// Linux has no priority classes; the child's nice value stands in: ppIdle 19, ppNormal
// ours (unchanged), ppHigh -10, ppRealTime -20. Raising needs privilege and is skipped
// without it (the child then runs at ours).
enum class TJvProcessPriority { ppIdle, ppNormal, ppHigh, ppRealTime };

// coOwnerData: lines go only to OnRead and are not kept in ConsoleOutput.
// coRedirect: standard input, output and error on pipes (what the program uses).
// coSeparateError: standard error on its own pipe, delivered through OnErrorRead.
enum TJvConsoleOption : unsigned { coOwnerData = 1, coRedirect = 2, coSeparateError = 4 };

enum class TJvProcessState { psReady, psRunning, psWaiting };

class TJvCreateProcess {
public:
    using ReadEvent = std::function<void(TJvCreateProcess& sender, const std::string& line, bool startsOnNewLine)>;
    using RawReadEvent = std::function<void(TJvCreateProcess& sender, const std::string& piece)>;
    using TerminateEvent = std::function<void(TJvCreateProcess& sender, std::uint32_t exitCode)>;

    // Exit code reported when the child was ended by a signal: this base plus the
    // signal number, so it never equals a normal exit status (0..255).
    static constexpr std::uint32_t kSignalExitBase = 0x100;

    explicit TJvCreateProcess(IEventLoop& loop);
    // While a child runs: detaches from it, and no event follows. The input already
    // queued is still written into the child's input (this waits up to about a second
    // for it, as the program may end right after), then the child's input is closed.
    // While our process lives the child keeps running: its output is read and thrown
    // away, so it is neither blocked nor killed by a closed pipe; an end already
    // scheduled still happens; it is reaped when it ends. When our process ends the
    // child is killed with it, even if it has not read that input yet or is still
    // acting on it (an encoder finishing its file on "q").
    ~TJvCreateProcess();
    TJvCreateProcess(const TJvCreateProcess&) = delete;
    TJvCreateProcess& operator=(const TJvCreateProcess&) = delete;

    // The program file followed by its arguments; each element reaches the child whole.
    // A program without "/" is looked up on PATH. Takes effect at the next Run.
    void SetCommandLine(std::vector<std::string> arguments);
    const std::vector<std::string>& Arguments() const { return arguments_; }
    // The command as one text, for display: elements joined by spaces, an element
    // that holds spaces or quotes shown in single quotes.
    std::string CommandLine() const;

    // Working directory of the child (trimmed; empty: the program's own).
    void SetCurrentDirectory(std::string directory) { currentDirectory_ = std::move(directory); }
    // NAME=value entries; when not empty the child gets exactly these, otherwise ours.
    void SetEnvironment(std::vector<std::string> environment) { environment_ = std::move(environment); }
    void SetPriority(TJvProcessPriority priority) { priority_ = priority; }
    void SetConsoleOptions(unsigned options) { consoleOptions_ = options; }
    unsigned ConsoleOptions() const { return consoleOptions_; }

    ReadEvent OnRead;
    RawReadEvent OnRawRead;
    ReadEvent OnErrorRead;
    RawReadEvent OnErrorRawRead;
    TerminateEvent OnTerminate;
    // Runs on the runner's own thread once the child has ended, before its end is
    // reported: slow work the end depends on (making the child's file durable) that
    // must not hold up the loop. Taken at Run; it must not throw.
    std::function<void()> AfterExit;

    // Starts the child and returns once it runs the program. Raises EJVCLException "Cannot perform this
    // operation when process is running" while a child is still watched, and EOSError
    // when the child cannot be started (no events follow then). When the child was
    // started but what watches it could not be (no thread, no memory), the child is
    // killed and reaped, the runner stays ready and the error is raised (EOSError, or
    // std::bad_alloc as it came).
    void Run();
    // Queues the bytes for the child's input, unchanged. True for an empty text or when
    // queued; false when no redirected child runs, its input is closed, or the text does
    // not fit beside what is pending (1024 bytes in all).
    bool Write(const std::string& text);
    // Ends the current child if it does not end by itself: SIGTERM when it still runs
    // `terminateAfter` from now, SIGKILL when it still runs `killAfter` after that.
    // The end is reported as usual (kSignalExitBase plus the signal). It still happens
    // when the runner is destroyed meanwhile. With several calls the earliest deadline
    // of each signal holds. Does nothing without a running child. UI thread.
    void ScheduleEnd(std::chrono::milliseconds terminateAfter, std::chrono::milliseconds killAfter);
    // Suspends the running child (SIGSTOP), or lets a suspended one go on (SIGCONT).
    // False without a running child. UI thread.
    bool Suspend();
    bool Resume();
    // Reports the end of a job that ran no child, as if a child had ended at once with
    // `exitCode`: OnTerminate follows on the loop, after the events already queued. It
    // is dropped when Run or PostEnd is called again before it arrives, or when the
    // runner is destroyed. Raises the busy error of Run while a child is still watched.
    void PostEnd(std::uint32_t exitCode);

    TJvProcessState State() const { return state_; }
    pid_t ProcessId() const { return pid_; }
    std::uint32_t ExitCode() const { return exitCode_; }
    // Lines kept without coOwnerData.
    const std::vector<std::string>& ConsoleOutput() const { return consoleOutput_; }

private:
    struct Impl;
    struct DeliveryContext;
    // UI-side handling of the worker threads' notifications.
    static void PostOutputWaiting(
        const std::shared_ptr<RunnerLink>& link, const std::shared_ptr<TJvReadChannel>& channel);
    void OutputWaiting(const std::shared_ptr<TJvReadChannel>& channel);
    void ReaderEnded(const std::shared_ptr<TJvReadChannel>& channel);
    void WatcherEnded(const std::shared_ptr<TJvConsoleInput>& watched, std::uint32_t exitCode);
    // Parses one piece of a channel's output. False once the runner was destroyed by a handler.
    bool ParsePiece(TJvReadChannel& channel, const char* data, std::size_t n);
    bool DeliverLine(TJvReadChannel& channel, const RunnerLink& link, const std::string& line, bool startsOnNewLine);
    // One worker thread has ended; after the last one the runner is ready and OnTerminate runs.
    void CountEnd();

    IEventLoop& loop_;
    std::vector<std::string> arguments_;
    std::string currentDirectory_;
    std::vector<std::string> environment_;
    TJvProcessPriority priority_ = TJvProcessPriority::ppNormal;
    unsigned consoleOptions_ = coOwnerData;
    TJvProcessState state_ = TJvProcessState::psReady;
    pid_t pid_ = 0;
    std::uint32_t exitCode_ = 0;
    std::uint64_t starts_ = 0; // Run and PostEnd calls; a posted end checks it is still the last
    std::vector<std::string> consoleOutput_;
    std::unique_ptr<Impl> impl_;
};

} // namespace ondrevo
