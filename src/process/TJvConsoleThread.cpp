#include "process/TJvConsoleThread.h"

#include "process/GroupGuard.h"
#include "process/ProcessGroup.h"
#include "process/TJvCreateProcess.h"
#include "process/ThreadStartFault.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <utility>

namespace ondrevo {
namespace {

// Takes the child's status. Returns false when it has not ended yet (only with noHang).
bool Reap(pid_t pid, bool noHang, std::uint32_t& exitCode)
{
    siginfo_t info {};
    for (;;) {
        if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | (noHang ? WNOHANG : 0)) == 0)
            break;
        if (errno == EINTR)
            continue;
        // ECHILD: the status was taken elsewhere (SIGCHLD ignored, or reaped by someone else).
        exitCode = TJvConsoleThread::kUnknownExitCode;
        return true;
    }
    if (info.si_pid == 0)
        return false;
    // A normal exit gives its status, 0..255. A death by signal gives kSignalExitBase
    // (0x100) plus the signal number, which no exit status can equal.
    if (info.si_code == CLD_EXITED)
        exitCode = static_cast<std::uint32_t>(info.si_status) & 0xFF;
    else
        exitCode = TJvCreateProcess::kSignalExitBase + static_cast<std::uint32_t>(info.si_status);
    return true;
}

// What the child left in its process group gets SIGTERM when the child has ended, and
// SIGKILL this long after (or at the kill deadline already scheduled, when earlier).
constexpr std::chrono::seconds kLeftoverGrace { 5 };
// How often the group is looked at meanwhile: a process that is not our child gives no
// notice of its end.
constexpr int kLeftoverPollMilliseconds = 20;

// poll() timeout in milliseconds until `deadline`, rounded up so that the wake-up does
// not come just before it; -1 without a deadline.
int MillisecondsUntil(const std::optional<EndSchedule::Clock::time_point>& deadline, EndSchedule::Clock::time_point now)
{
    if (!deadline)
        return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - now).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 24 * 60 * 60 * 1000));
}

// The earlier of two poll() timeouts, where -1 means none.
int Earlier(int a, int b)
{
    if (a < 0)
        return b;
    if (b < 0)
        return a;
    return std::min(a, b);
}

// Ends what the child left running in its process group (the encoder that a wrapper
// script ran, still finishing its file after the script was killed, or a process it left
// in the background) before the child's end is reported, so that nothing of it still
// writes once its output is taken. The schedule's signals go to the group as before.
void EndLeftovers(pid_t group, TJvConsoleInput& input, bool terminateSent)
{
    if (!process_group::HasLiveMembers(group))
        return;
    if (!terminateSent)
        ::kill(-group, SIGTERM);
    const auto killAt = EndSchedule::Clock::now() + kLeftoverGrace;
    for (;;) {
        const auto now = EndSchedule::Clock::now();
        const EndSchedule::Due due = input.TakeDueSignals(now);
        if (due.kill || now >= killAt) {
            // Nothing resists it; what is dying is not waited for.
            ::kill(-group, SIGKILL);
            return;
        }
        if (!process_group::HasLiveMembers(group))
            return;
        const int timeout = Earlier(MillisecondsUntil(input.NextDeadline(), now),
            Earlier(MillisecondsUntil(killAt, now), kLeftoverPollMilliseconds));
        pollfd wake { input.WakeFd(), POLLIN, 0 };
        if (::poll(&wake, 1, timeout) > 0)
            input.ClearWake();
    }
}

} // namespace

TJvConsoleInput::TJvConsoleInput(UniqueFd input)
    : input_(std::move(input))
{
}

bool TJvConsoleInput::Queue(const std::string& text)
{
    {
        std::lock_guard lock(mutex_);
        if (!input_.Valid() || text.size() + pending_.size() > kPendingCapacity)
            return false;
        pending_ += text;
    }
    wake_.Signal();
    return true;
}

void TJvConsoleInput::ScheduleEnd(std::chrono::milliseconds terminateAfter, std::chrono::milliseconds killAfter)
{
    {
        std::lock_guard lock(mutex_);
        endSchedule_.Add(EndSchedule::Clock::now(), terminateAfter, killAfter);
    }
    wake_.Signal();
}

void TJvConsoleInput::Detach() noexcept
{
    detached_.store(true);
    wake_.Signal();
}

bool TJvConsoleInput::WaitUntilFlushed(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    return flushed_.wait_for(lock, timeout, [this] { return pending_.empty(); });
}

int TJvConsoleInput::PollFd(short& events)
{
    std::lock_guard lock(mutex_);
    if (detached_.load() && pending_.empty())
        CloseLocked(); // the child sees end-of-file once it has read what we sent
    events = pending_.empty() ? 0 : POLLOUT; // POLLERR is reported either way
    return input_.Get();
}

void TJvConsoleInput::Signal(int signal)
{
    {
        std::lock_guard lock(mutex_);
        signals_.push_back(signal);
    }
    wake_.Signal();
}

std::vector<int> TJvConsoleInput::TakeSignals()
{
    std::lock_guard lock(mutex_);
    return std::exchange(signals_, {});
}

EndSchedule::Due TJvConsoleInput::TakeDueSignals(EndSchedule::Clock::time_point now)
{
    std::lock_guard lock(mutex_);
    return endSchedule_.TakeDue(now);
}

std::optional<EndSchedule::Clock::time_point> TJvConsoleInput::NextDeadline()
{
    std::lock_guard lock(mutex_);
    return endSchedule_.Next();
}

void TJvConsoleInput::Service(short revents)
{
    std::lock_guard lock(mutex_);
    if (!input_.Valid())
        return;
    if ((revents & POLLOUT) && !pending_.empty()) {
        // At most 1024 bytes: below PIPE_BUF, so the write is whole or EAGAIN.
        const ssize_t written = ::write(input_.Get(), pending_.data(), pending_.size());
        if (written > 0) {
            pending_.erase(0, static_cast<std::size_t>(written));
            if (pending_.empty())
                flushed_.notify_all();
            return;
        }
        if (written < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        // EPIPE: the child closed its input or ended; what is pending is lost.
    } else if (!(revents & (POLLERR | POLLHUP | POLLNVAL))) {
        return;
    }
    CloseLocked();
}

void TJvConsoleInput::Close()
{
    std::lock_guard lock(mutex_);
    CloseLocked();
}

void TJvConsoleInput::CloseLocked()
{
    input_.Reset();
    pending_.clear();
    flushed_.notify_all();
}

TJvConsoleThread::TJvConsoleThread(pid_t pid, UniqueFd pidfd, std::shared_ptr<TJvConsoleInput> input,
    std::vector<std::shared_ptr<TJvReadChannel>> readers, std::function<void(std::uint32_t)> ended)
{
    ThreadStartFault::Check();
    thread_ = std::thread(
        &TJvConsoleThread::Execute, pid, std::move(pidfd), std::move(input), std::move(readers), std::move(ended));
}

TJvConsoleThread::~TJvConsoleThread()
{
    if (thread_.joinable())
        thread_.detach();
}

void TJvConsoleThread::Join()
{
    if (thread_.joinable())
        thread_.join();
}

void TJvConsoleThread::Execute(pid_t pid, UniqueFd pidfd, std::shared_ptr<TJvConsoleInput> input,
    std::vector<std::shared_ptr<TJvReadChannel>> readers, std::function<void(std::uint32_t)> ended) noexcept
{
    std::uint32_t exitCode = kUnknownExitCode;
    bool terminateSent = false;
    for (;;) {
        const auto now = EndSchedule::Clock::now();
        for (int asked : input->TakeSignals())
            process_group::Signal(pid, pidfd.Get(), asked);
        const EndSchedule::Due due = input->TakeDueSignals(now);
        // The child is not reaped yet, so its pid still names it and its group.
        if (due.terminate) {
            process_group::Signal(pid, pidfd.Get(), SIGTERM);
            terminateSent = true;
        }
        if (due.kill)
            process_group::Signal(pid, pidfd.Get(), SIGKILL);
        int timeout = MillisecondsUntil(input->NextDeadline(), now);
        if (!pidfd.Valid())
            timeout = Earlier(timeout, 50); // no exit notice: look for the exit every 50 ms

        pollfd fds[3];
        nfds_t count = 0;
        fds[count++] = { input->WakeFd(), POLLIN, 0 };
        int pidIndex = -1;
        if (pidfd.Valid()) {
            pidIndex = static_cast<int>(count);
            fds[count++] = { pidfd.Get(), POLLIN, 0 };
        }
        int inputIndex = -1;
        short inputEvents = 0;
        const int inputFd = input->PollFd(inputEvents);
        if (inputFd >= 0) {
            inputIndex = static_cast<int>(count);
            fds[count++] = { inputFd, inputEvents, 0 };
        }
        if (::poll(fds, count, timeout) < 0 && errno != EINTR) {
            // Not expected; fall back to looking every 50 ms rather than spinning.
            ::poll(nullptr, 0, 50);
            if (Reap(pid, true, exitCode))
                break;
            continue;
        }
        if (fds[0].revents)
            input->ClearWake();
        if (inputIndex >= 0 && fds[inputIndex].revents)
            input->Service(fds[inputIndex].revents);
        const bool exitSeen = pidIndex >= 0 ? fds[pidIndex].revents != 0 : true;
        if (exitSeen && Reap(pid, pidIndex < 0, exitCode))
            break;
    }
    input->Close();
    pidfd.Reset();
    EndLeftovers(pid, *input, terminateSent);
    GroupGuard::Forget(pid);
    for (auto& reader : readers)
        reader->ChildExited();
    try {
        if (!input->Detached() && ended)
            ended(exitCode);
    } catch (...) {
        // Only posting can throw (no memory); nothing more can be done from here.
    }
}

} // namespace ondrevo
