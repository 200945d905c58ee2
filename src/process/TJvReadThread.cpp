#include "process/TJvReadThread.h"

#include "process/ThreadStartFault.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <poll.h>

namespace ondrevo {
namespace {

// One read takes up to this much, straight into the shared buffer (fewer system calls
// and no copy); the UI side takes it in pieces of at most 1024 bytes.
constexpr std::size_t kReadSize = 64 * TJvReadBuffer::kPieceSize;

enum class ReadResult { kData, kEnd, kAgain, kInterrupted };

// One read into the shared buffer; posts a notification when none is outstanding. When
// the buffer is full and the UI does not take, the read goes to `scratch` and what it
// got replaces what the UI missed.
// A detached channel reads into `scratch` and throws the bytes away.
ReadResult ReadInto(int pipe, TJvReadChannel& channel, const TJvReadThread::Notices& notices, std::size_t max,
    std::unique_ptr<char[]>& scratch, std::size_t& got)
{
    const bool discard = channel.detached.load();
    std::size_t room = 0;
    char* place = discard ? nullptr : channel.buffer.Reserve(room);
    if (!place) {
        if (!scratch)
            scratch = std::make_unique<char[]>(kReadSize);
        place = scratch.get();
        room = kReadSize;
    }
    const ssize_t n = ::read(pipe, place, std::min({ room, max, kReadSize }));
    if (n <= 0) {
        got = 0;
        if (n == 0)
            return ReadResult::kEnd; // the child and everything that inherited the pipe closed it
        if (errno == EAGAIN)
            return ReadResult::kAgain; // nothing there now
        if (errno == EINTR)
            return ReadResult::kInterrupted;
        return ReadResult::kEnd; // a pipe gives no other errors; do not spin on one
    }
    got = static_cast<std::size_t>(n);
    if (discard)
        return ReadResult::kData;
    const bool notify = place == scratch.get() ? channel.buffer.Append(place, got) : channel.buffer.Commit(got);
    if (notify && notices.outputWaiting)
        notices.outputWaiting();
    return ReadResult::kData;
}

// After the child's exit: everything the child itself wrote is in the pipe already, and
// the pipe holds at most its capacity. Reading that much (or up to EAGAIN/end-of-file)
// takes the child's output; a grandchild that goes on writing is not waited for.
void DrainAfterExit(
    int pipe, TJvReadChannel& channel, const TJvReadThread::Notices& notices, std::unique_ptr<char[]>& scratch)
{
    const int capacity = ::fcntl(pipe, F_GETPIPE_SZ);
    std::size_t budget = capacity > 0 ? static_cast<std::size_t>(capacity) : std::size_t(1) << 20;
    while (budget > 0) {
        std::size_t got = 0;
        const ReadResult result = ReadInto(pipe, channel, notices, budget, scratch, got);
        if (result == ReadResult::kEnd || result == ReadResult::kAgain)
            return; // end-of-file, or nothing more now
        budget -= got;
    }
}

} // namespace

TJvReadThread::TJvReadThread(UniqueFd pipe, std::shared_ptr<TJvReadChannel> channel, Notices notices)
{
    ThreadStartFault::Check();
    thread_ = std::thread(&TJvReadThread::Execute, std::move(pipe), std::move(channel), std::move(notices));
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
        std::unique_ptr<char[]> scratch; // only needed while output is being dropped
        // After a full read more is likely waiting: read again before polling.
        bool mayHaveMore = false;
        for (;;) {
            if (channel->childExited.load()) {
                DrainAfterExit(pipe.Get(), *channel, notices, scratch);
                break;
            }
            if (!mayHaveMore) {
                pollfd fds[2] = { { pipe.Get(), POLLIN, 0 }, { channel->wake.Fd(), POLLIN, 0 } };
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
            std::size_t got = 0;
            const ReadResult result = ReadInto(pipe.Get(), *channel, notices, kReadSize, scratch, got);
            if (result == ReadResult::kEnd)
                break;
            // A read that filled the room it had was likely cut short by it.
            mayHaveMore = result == ReadResult::kData && got >= TJvReadBuffer::kPieceSize;
        }
        pipe.Reset();
        if (!channel->detached.load() && notices.ended)
            notices.ended();
    } catch (...) {
        // Only posting can throw (no memory). Nothing more can be done from here.
    }
}

} // namespace ondrevo
