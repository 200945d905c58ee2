#pragma once
// The UI thread's event loop as the logic sees it. Every window event, runner event and
// timer tick runs as a task on this loop, one at a time, so the logic takes no locks.

#include <functional>

namespace ondrevo {

using Task = std::function<void()>;

class IEventLoop {
public:
    virtual ~IEventLoop() = default;
    // Queues a task to run on the loop's thread. Safe to call from any thread.
    virtual void Post(Task task) = 0;
    // Runs tasks on the calling thread until a quit request has been reached.
    virtual void Run() = 0;
    // Quit request: the current task and the tasks already queued still run, then Run returns.
    virtual void Quit() = 0;
};

} // namespace ondrevo
