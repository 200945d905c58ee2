#pragma once
// One reading thread per output pipe of a child. It reads what the pipe holds and stores
// it in the channel's buffer as pieces of at most 1024 bytes, then tells the UI side
// that output is waiting. It ends at end-of-file, or, once the watcher has seen the
// child exit, after draining what is readable at that moment: a grandchild that
// inherited the pipe cannot hold back the end. It polls its pipe together with a wake
// event, so no other thread ever has to close a descriptor this thread may be blocked
// on; it closes its pipe itself.
//
// Once the runner is destroyed the channel is detached: the thread goes on reading and
// throws the output away, so the child is neither blocked on a full pipe nor killed by
// SIGPIPE, and ends as before, without notice.

#include "process/TJvLineParser.h"
#include "process/TJvReadBuffer.h"
#include "process/UniqueFd.h"
#include "process/WakeEvent.h"

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace ondrevo {

// What a reading thread shares with the UI side.
struct TJvReadChannel {
    explicit TJvReadChannel(bool errorPipe)
        : errorPipe(errorPipe)
    {
    }

    // The runner is gone: read and discard until the end, without notice.
    void Detach() noexcept
    {
        detached.store(true);
        buffer.Interrupt();
        wake.Signal();
    }
    // The child has exited: read what is there now, then end.
    void ChildExited() noexcept
    {
        childExited.store(true);
        wake.Signal();
    }

    const bool errorPipe; // the separate standard-error pipe
    TJvReadBuffer buffer;
    WakeEvent wake;
    std::atomic<bool> detached { false };
    std::atomic<bool> childExited { false };

    // UI thread only.
    TJvLineParser parser;
    bool finished = false; // the end was handled; later notifications find nothing to do
};

class TJvReadThread {
public:
    struct Notices {
        std::function<void()> outputWaiting; // from the reading thread, at most one outstanding
        std::function<void()> ended; // from the reading thread, after its pipe is closed
    };

    // Starts the thread. Raises std::system_error when no thread can be made.
    TJvReadThread(UniqueFd pipe, std::shared_ptr<TJvReadChannel> channel, Notices notices);
    // Detaches a thread that was not joined; it ends on its own (see Detach()).
    ~TJvReadThread();
    TJvReadThread(const TJvReadThread&) = delete;
    TJvReadThread& operator=(const TJvReadThread&) = delete;

    // Waits for the thread's end; called once its end notice has arrived, so it is short.
    void Join();

private:
    static void Execute(UniqueFd pipe, std::shared_ptr<TJvReadChannel> channel, Notices notices) noexcept;
    std::thread thread_;
};

} // namespace ondrevo
