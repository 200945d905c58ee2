#pragma once
// The watcher of one child: waits for its exit on a pidfd with poll(), feeds the text
// queued by Write() into the child's standard input, and reaps the child with waitid().
// Because waiting, writing and the stop request share one poll(), a child that never
// reads its input cannot block the watcher. Without redirection there is no input and
// the watcher only waits.
//
// When the runner is destroyed the watcher is told to stop: it closes the input, sends
// no more notices, but still waits for the child and reaps it, so no zombie is left.

#include "process/TJvReadThread.h"
#include "process/UniqueFd.h"
#include "process/WakeEvent.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace ondrevo {

// The input side shared by the UI thread (Write) and the watcher.
class TJvConsoleInput {
public:
    static constexpr std::size_t kPendingCapacity = 1024;

    // `input`: the runner's end of the child's input pipe, non-blocking; none without
    // redirection (then nothing can be queued).
    explicit TJvConsoleInput(UniqueFd input);

    // UI thread. Queues the bytes when the input is open and they fit beside what is
    // pending; otherwise queues nothing and returns false.
    bool Queue(const std::string& text);
    // UI thread: the runner is detached.
    void Stop() noexcept;
    bool Stopped() const noexcept { return stop_.load(); }

    // Watcher side.
    int WakeFd() const { return wake_.Fd(); }
    void ClearWake() noexcept { wake_.Clear(); }
    // The descriptor and the poll events wanted for it, or -1 once closed.
    int PollFd(short& events);
    // Writes pending bytes after poll() reported `revents`; closes the input when the
    // child can no longer read it (EPIPE, POLLERR).
    void Service(short revents);
    void Close();

private:
    std::mutex mutex_;
    UniqueFd input_;
    std::string pending_;
    WakeEvent wake_;
    std::atomic<bool> stop_ { false };
};

class TJvConsoleThread {
public:
    // Exit code when the child's status could not be taken (someone else reaped it).
    static constexpr std::uint32_t kUnknownExitCode = 0xFFFFFFFF;

    // Starts the thread. `pidfd` may be empty (kernel without pidfd_open): the watcher
    // then looks for the exit every 50 ms. `readers` are told when the child has exited.
    // `ended` runs on the watcher thread after the child was reaped, unless stopped.
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
