#pragma once
// The worker threads' only way back to the UI loop. The runner cuts the link when it is
// destroyed; from then on nothing is posted, so a thread that outlives the runner (the
// watcher of a child that keeps running) never reaches the runner or a loop that may
// be gone. Tasks already queued hold the link and look at IsCut() before they act.

#include "base/EventLoop.h"

#include <mutex>

namespace ondrevo {

class TJvCreateProcess;

class RunnerLink {
public:
    RunnerLink(IEventLoop& loop, TJvCreateProcess& runner)
        : loop_(&loop)
        , runner_(&runner)
    {
    }

    // Any thread. Posts the task unless the link is cut; returns whether it posted.
    bool Post(Task task);
    // UI thread: the runner is being destroyed.
    void Cut();
    // UI thread only (the only thread that cuts).
    bool IsCut() const { return cut_; }
    TJvCreateProcess* Runner() const { return cut_ ? nullptr : runner_; }

private:
    std::mutex mutex_;
    IEventLoop* loop_;
    TJvCreateProcess* runner_;
    bool cut_ = false;
};

} // namespace ondrevo
