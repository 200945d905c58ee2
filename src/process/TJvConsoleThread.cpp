#include "process/TJvConsoleThread.h"

#include "process/TJvCreateProcess.h"

#include <cerrno>
#include <poll.h>
#include <sys/wait.h>

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

void TJvConsoleInput::Stop() noexcept
{
    stop_.store(true);
    wake_.Signal();
}

int TJvConsoleInput::PollFd(short& events)
{
    std::lock_guard lock(mutex_);
    events = pending_.empty() ? 0 : POLLOUT; // POLLERR is reported either way
    return input_.Get();
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
            return;
        }
        if (written < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        // EPIPE: the child closed its input or ended; what is pending is lost.
    } else if (!(revents & (POLLERR | POLLHUP | POLLNVAL))) {
        return;
    }
    input_.Reset();
    pending_.clear();
}

void TJvConsoleInput::Close()
{
    std::lock_guard lock(mutex_);
    input_.Reset();
    pending_.clear();
}

TJvConsoleThread::TJvConsoleThread(pid_t pid, UniqueFd pidfd, std::shared_ptr<TJvConsoleInput> input,
    std::vector<std::shared_ptr<TJvReadChannel>> readers, std::function<void(std::uint32_t)> ended)
    : thread_(&TJvConsoleThread::Execute, pid, std::move(pidfd), std::move(input), std::move(readers), std::move(ended))
{
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
    for (;;) {
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
        if (::poll(fds, count, pidfd.Valid() ? -1 : 50) < 0 && errno != EINTR) {
            // Not expected; fall back to looking every 50 ms rather than spinning.
            ::poll(nullptr, 0, 50);
            if (Reap(pid, true, exitCode))
                break;
            continue;
        }
        if (fds[0].revents)
            input->ClearWake();
        if (input->Stopped())
            input->Close();
        else if (inputIndex >= 0 && fds[inputIndex].revents)
            input->Service(fds[inputIndex].revents);
        const bool exitSeen = pidIndex >= 0 ? fds[pidIndex].revents != 0 : true;
        if (exitSeen && Reap(pid, pidIndex < 0, exitCode))
            break;
    }
    input->Close();
    pidfd.Reset();
    for (auto& reader : readers)
        reader->ChildExited();
    try {
        if (!input->Stopped() && ended)
            ended(exitCode);
    } catch (...) {
        // Only posting can throw (no memory); nothing more can be done from here.
    }
}

} // namespace ondrevo
