#include "base/PlainEventLoop.h"

#include "base/HandlerDispatch.h"

namespace ondrevo {

void PlainEventLoop::Post(Task task)
{
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(Entry { std::move(task), false });
    }
    ready_.notify_one();
}

void PlainEventLoop::Quit()
{
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(Entry { {}, true });
    }
    ready_.notify_one();
}

bool PlainEventLoop::RunEntry(Entry& entry)
{
    if (entry.quit)
        return false;
    Dispatch(entry.task);
    return true;
}

void PlainEventLoop::Run()
{
    for (;;) {
        Entry entry;
        {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [&] { return !queue_.empty(); });
            entry = std::move(queue_.front());
            queue_.pop_front();
        }
        if (!RunEntry(entry))
            return;
    }
}

bool PlainEventLoop::RunOne(std::chrono::milliseconds timeout)
{
    Entry entry;
    {
        std::unique_lock lock(mutex_);
        if (!ready_.wait_for(lock, timeout, [&] { return !queue_.empty(); }))
            return false;
        entry = std::move(queue_.front());
        queue_.pop_front();
    }
    RunEntry(entry);
    return true;
}

bool PlainEventLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return done();
        RunOne(std::min<std::chrono::milliseconds>(
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now), std::chrono::milliseconds(50)));
    }
    return true;
}

void PlainEventLoop::Drain(std::chrono::milliseconds quiet)
{
    while (RunOne(quiet)) { }
}

std::size_t PlainEventLoop::Pending() const
{
    std::lock_guard lock(mutex_);
    return queue_.size();
}

} // namespace ondrevo
