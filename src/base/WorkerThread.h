#pragma once
// One background thread that runs tasks in the order they were given: work that may
// wait (on a locked file, a slow disk, a child program) goes here so that the loop's
// thread never does. A task's result reaches the loop by the task posting it there.

#include "base/EventLoop.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace ondrevo {

class WorkerThread {
public:
    WorkerThread();
    // Asks the task at hand to give up (GivingUp), drops the tasks not begun and waits
    // for the thread.
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Queues `task`; the thread starts with the first one.
    void Post(Task task);
    // Set once the worker is going away: a task that waits in steps looks at it.
    const std::atomic<bool>& GivingUp() const { return givingUp_; }

private:
    void Loop();

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Task> queue_;
    std::atomic<bool> givingUp_ { false };
    std::thread thread_;
};

} // namespace ondrevo
