#pragma once
// The watcher of one child: waits for its exit on a pidfd with poll(), feeds the text
// queued by Write() into the child's standard input, sends the signals of a scheduled
// end to the child's process group when their time comes, reaps the child with
// waitid(), and ends what the child left running in its group before the end is told. Because waiting,
// writing, the deadlines and the requests of the UI share one poll(), a child that
// never reads its input cannot block the watcher. Without redirection there is no
// input and the watcher only waits.
//
// When the runner is destroyed the watcher is detached: it sends no more notices, still
// writes the input that was pending and then closes it, still ends the child when an
// end was scheduled, and still waits for the child and reaps it, so no zombie is left.

#include "process/EndSchedule.h"
#include "process/TJvReadThread.h"
#include "process/UniqueFd.h"
#include "process/WakeEvent.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace ondrevo {

// What the UI thread shares with the watcher: the pending input (Write), the end
// schedule (ScheduleEnd) and the detach request (runner destroyed).
class TJvConsoleInput {
public:
    static constexpr std::size_t kPendingCapacity = 1024;

    // `input`: the runner's end of the child's input pipe, non-blocking; none without
    // redirection (then nothing can be queued).
    explicit TJvConsoleInput(UniqueFd input);

    // UI thread. Queues the bytes when the input is open and they fit beside what is
    // pending; otherwise queues nothing and returns false.
    bool Queue(const std::string& text);
    // UI thread: has the watcher send `signal` to the child now (SIGSTOP, SIGCONT), before
    // it writes any input queued after this call. Nothing is sent once it has ended.
    void Signal(int signal);
    // UI thread: see EndSchedule.
    void ScheduleEnd(std::chrono::milliseconds terminateAfter, std::chrono::milliseconds killAfter);
    // UI thread: the runner is gone. What is pending is still written, then the input
    // is closed; no notice follows.
    void Detach() noexcept;
    bool Detached() const noexcept { return detached_.load(); }
    // UI thread: waits until nothing is pending any more (written, or lost with a
    // closed pipe) or `timeout` has passed. Returns whether nothing is pending.
    bool WaitUntilFlushed(std::chrono::milliseconds timeout);

    // Watcher side.
    int WakeFd() const { return wake_.Fd(); }
    void ClearWake() noexcept { wake_.Clear(); }
    // The descriptor and the poll events wanted for it, or -1 once closed. Closes the
    // input of a detached runner once nothing is pending.
    int PollFd(short& events);
    // Writes pending bytes after poll() reported `revents`; closes the input when the
    // child can no longer read it (EPIPE, POLLERR).
    void Service(short revents);
    void Close();
    EndSchedule::Due TakeDueSignals(EndSchedule::Clock::time_point now);
    // The signals asked for with Signal, in order; each is handed out once.
    std::vector<int> TakeSignals();
    std::optional<EndSchedule::Clock::time_point> NextDeadline();

private:
    void CloseLocked(); // mutex_ held

    std::mutex mutex_;
    std::condition_variable flushed_;
    UniqueFd input_;
    std::string pending_;
    EndSchedule endSchedule_;
    std::vector<int> signals_;
    WakeEvent wake_;
    std::atomic<bool> detached_ { false };
};

class TJvConsoleThread {
public:
    // Exit code when the child's status could not be taken (someone else reaped it).
    static constexpr std::uint32_t kUnknownExitCode = 0xFFFFFFFF;

    // Starts the thread. `pidfd` may be empty (kernel without pidfd_open): the watcher
    // then looks for the exit every 50 ms. `readers` are told when the child has exited.
    // `ended` runs on the watcher thread after the child was reaped, unless detached.
    // Raises std::system_error when no thread can be made.
    TJvConsoleThread(pid_t pid, UniqueFd pidfd, std::shared_ptr<TJvConsoleInput> input,
        std::vector<std::shared_ptr<TJvReadChannel>> readers, std::function<void(std::uint32_t)> ended);
    ~TJvConsoleThread(); // detaches a thread that was not joined
    TJvConsoleThread(const TJvConsoleThread&) = delete;
    TJvConsoleThread& operator=(const TJvConsoleThread&) = delete;

    void Join();

private:
    static void Execute(pid_t pid, UniqueFd pidfd, std::shared_ptr<TJvConsoleInput> input,
        std::vector<std::shared_ptr<TJvReadChannel>> readers, std::function<void(std::uint32_t)> ended) noexcept;
    std::thread thread_;
};

} // namespace ondrevo
