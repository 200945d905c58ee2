#include "base/WorkerThread.h"

namespace ondrevo {

WorkerThread::WorkerThread() = default;

WorkerThread::~WorkerThread()
{
    {
        std::lock_guard lock(mutex_);
        givingUp_ = true;
        queue_.clear();
    }
    ready_.notify_one();
    if (thread_.joinable())
        thread_.join();
}

void WorkerThread::Post(Task task)
{
    {
        std::lock_guard lock(mutex_);
        if (givingUp_)
            return;
        queue_.push_back(std::move(task));
        // Made on first use: a program that never needs it starts no thread.
        if (!thread_.joinable())
            thread_ = std::thread([this] { Loop(); });
    }
    ready_.notify_one();
}

void WorkerThread::Loop()
{
    for (;;) {
        Task task;
        {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [this] { return givingUp_ || !queue_.empty(); });
            if (givingUp_)
                return;
            task = std::move(queue_.front());
            queue_.pop_front();
        }
        task();
    }
}

} // namespace ondrevo
