#pragma once
// An event loop without a windowing toolkit, for tests and tools. Tasks run in the
// order they were posted; an error escaping a task goes to the error report.

#include "base/EventLoop.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace ondrevo {

class PlainEventLoop : public IEventLoop {
public:
    void Post(Task task) override;
    void Run() override;
    void Quit() override;

    // Runs at most one task, waiting up to `timeout` for one. Returns whether one ran.
    bool RunOne(std::chrono::milliseconds timeout);
    // Runs tasks until `done()` holds or `timeout` passes. Returns `done()`.
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // Runs every task that is queued now or arrives within `quiet` of the last one.
    void Drain(std::chrono::milliseconds quiet = std::chrono::milliseconds(0));
    std::size_t Pending() const;

private:
    struct Entry {
        Task task;
        bool quit = false;
    };
    bool RunEntry(Entry& entry); // false for the quit marker

    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Entry> queue_;
};

} // namespace ondrevo
