#include "process/TJvReadThread.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <poll.h>

namespace ondrevo {
namespace {

// One read takes up to this much; the buffer stores it as pieces of 1024 bytes. Fewer
// system calls than one read per piece, with the same pieces.
constexpr std::size_t kReadSize = 64 * TJvReadBuffer::kPieceSize;

// Stores what was read and posts a notification when none is outstanding.
void Store(TJvReadChannel& channel, const TJvReadThread::Notices& notices, const char* data, std::size_t n)
{
    if (channel.buffer.Append(data, n) && notices.outputWaiting)
        notices.outputWaiting();
}

// After the child's exit: everything the child itself wrote is in the pipe already, and
// the pipe holds at most its capacity. Reading that much (or up to EAGAIN/end-of-file)
// takes the child's output; a grandchild that goes on writing is not waited for.
void DrainAfterExit(int pipe, TJvReadChannel& channel, const TJvReadThread::Notices& notices)
{
    const int capacity = ::fcntl(pipe, F_GETPIPE_SZ);
    std::size_t budget = capacity > 0 ? static_cast<std::size_t>(capacity) : std::size_t(1) << 20;
    auto chunk = std::make_unique<char[]>(kReadSize);
    while (budget > 0 && !channel.stop.load()) {
        const ssize_t got = ::read(pipe, chunk.get(), std::min(budget, kReadSize));
        if (got > 0) {
            Store(channel, notices, chunk.get(), static_cast<std::size_t>(got));
            budget -= std::min(budget, static_cast<std::size_t>(got));
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else {
            return; // end-of-file, EAGAIN (nothing more now) or an error
        }
    }
}

} // namespace

TJvReadThread::TJvReadThread(UniqueFd pipe, std::shared_ptr<TJvReadChannel> channel, Notices notices)
    : thread_(&TJvReadThread::Execute, std::move(pipe), std::move(channel), std::move(notices))
{
}

TJvReadThread::~TJvReadThread()
{
    if (thread_.joinable())
        thread_.detach();
}

void TJvReadThread::Join()
{
    if (thread_.joinable())
        thread_.join();
}

void TJvReadThread::Execute(UniqueFd pipe, std::shared_ptr<TJvReadChannel> channel, Notices notices) noexcept
{
    try {
        auto chunk = std::make_unique<char[]>(kReadSize);
        // After a full read more is likely waiting: read again before polling.
        bool mayHaveMore = false;
        for (;;) {
            if (channel->stop.load())
                break;
            if (channel->childExited.load()) {
                DrainAfterExit(pipe.Get(), *channel, notices);
                break;
            }
            if (!mayHaveMore) {
                pollfd fds[2] = {{pipe.Get(), POLLIN, 0}, {channel->wake.Fd(), POLLIN, 0}};
                if (::poll(fds, 2, -1) < 0) {
                    if (errno == EINTR)
                        continue;
                    break;
                }
                if (fds[1].revents)
                    channel->wake.Clear();
                if (!fds[0].revents)
                    continue;
            }
            const ssize_t got = ::read(pipe.Get(), chunk.get(), kReadSize);
            if (got > 0) {
                Store(*channel, notices, chunk.get(), static_cast<std::size_t>(got));
                mayHaveMore = got == static_cast<ssize_t>(kReadSize);
            } else if (got == 0) {
                break; // the child and everything that inherited the pipe closed it
            } else if (errno == EAGAIN || errno == EINTR) {
                mayHaveMore = false;
            } else {
                break; // a pipe gives no other errors; do not spin on one
            }
        }
        pipe.Reset();
        if (!channel->stop.load() && notices.ended)
            notices.ended();
    } catch (...) {
        // Only posting can throw (no memory). Nothing more can be done from here.
    }
}

} // namespace ondrevo
