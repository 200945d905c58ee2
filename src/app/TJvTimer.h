#pragma once
// The busy timer: while enabled, a timer thread fires a tick at once and then one tick
// every Interval milliseconds. Each tick runs on the UI loop, and only while the timer
// is still enabled when the tick's turn comes.

#include "base/Controls.h"
#include "base/EventLoop.h"

#include <functional>
#include <memory>
#include <thread>

namespace ondrevo {

class TJvTimer : public ITimer {
public:
    explicit TJvTimer(IEventLoop& loop, int intervalMs = 1000);
    ~TJvTimer() override;
    TJvTimer(const TJvTimer&) = delete;
    TJvTimer& operator=(const TJvTimer&) = delete;

    std::function<void()> OnTimer;

    bool Enabled() const override;
    void SetEnabled(bool enabled) override;
    int Interval() const { return intervalMs_; }

private:
    struct Shared;
    void StopThread();

    IEventLoop& loop_;
    int intervalMs_;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

} // namespace ondrevo
