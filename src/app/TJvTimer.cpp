#include "app/TJvTimer.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace ondrevo {

// State shared with the timer thread and with ticks still queued on the loop, so that
// neither touches the timer after it is gone.
struct TJvTimer::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    bool enabled = false; // the UI side's view, read on the UI thread by each tick
    bool stopping = false; // tells the thread to end
    bool tickDone = false;
    unsigned generation = 0; // ticks of an earlier run are dropped
    std::function<void()>* onTimer = nullptr;
};

TJvTimer::TJvTimer(IEventLoop& loop, int intervalMs)
    : loop_(loop)
    , intervalMs_(intervalMs)
    , shared_(std::make_shared<Shared>())
{
    shared_->onTimer = &OnTimer;
}

TJvTimer::~TJvTimer()
{
    StopThread();
    std::lock_guard lock(shared_->mutex);
    shared_->onTimer = nullptr;
}

bool TJvTimer::Enabled() const
{
    std::lock_guard lock(shared_->mutex);
    return shared_->enabled;
}

void TJvTimer::SetEnabled(bool enabled)
{
    if (enabled == Enabled())
        return;
    if (!enabled) {
        StopThread();
        return;
    }
    StopThread();
    unsigned generation;
    {
        std::lock_guard lock(shared_->mutex);
        shared_->enabled = true;
        shared_->stopping = false;
        generation = ++shared_->generation;
    }
    thread_ = std::thread([shared = shared_, &loop = loop_, interval = intervalMs_, generation] {
        std::unique_lock lock(shared->mutex);
        while (!shared->stopping) {
            shared->tickDone = false;
            lock.unlock();
            // The tick is handed to the UI loop and waited for, so ticks never pile up.
            loop.Post([shared, generation] {
                std::function<void()> handler;
                {
                    std::lock_guard inner(shared->mutex);
                    if (shared->enabled && shared->generation == generation && shared->onTimer)
                        handler = *shared->onTimer;
                }
                if (handler)
                    handler();
                std::lock_guard inner(shared->mutex);
                shared->tickDone = true;
                shared->wake.notify_all();
            });
            lock.lock();
            shared->wake.wait(lock, [&] { return shared->tickDone || shared->stopping; });
            shared->wake.wait_for(lock, std::chrono::milliseconds(interval), [&] { return shared->stopping; });
        }
    });
}

void TJvTimer::StopThread()
{
    {
        std::lock_guard lock(shared_->mutex);
        shared_->enabled = false;
        shared_->stopping = true;
        ++shared_->generation;
    }
    shared_->wake.notify_all();
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id())
            thread_.detach();
        else
            thread_.join();
    }
}

} // namespace ondrevo
