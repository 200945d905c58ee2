// The busy timer: a tick at once when switched on, then one per interval, each on the UI
// loop and only while it is on. Switching it off ends its thread: what the loop holds then
// is all that can still come.

#include "app/TJvTimer.h"
#include "base/PlainEventLoop.h"
#include "support/Command.h"

#include <gtest/gtest.h>
#include <memory>

namespace ondrevo {
namespace {

TEST(TJvTimer, FiresTheFirstTickAtOnceAndThenKeepsTicking)
{
    PlainEventLoop loop;
    TJvTimer timer(loop, 20);
    int ticks = 0;
    std::thread::id tickThread;
    timer.OnTimer = [&] {
        ++ticks;
        tickThread = std::this_thread::get_id();
    };
    EXPECT_FALSE(timer.Enabled());
    timer.SetEnabled(true);
    EXPECT_TRUE(timer.Enabled());
    ASSERT_TRUE(loop.RunUntil([&] { return ticks >= 1; }));
    ASSERT_TRUE(loop.RunUntil([&] { return ticks >= 3; }));
    EXPECT_EQ(tickThread, std::this_thread::get_id());
}

TEST(TJvTimer, NoTickRunsAfterTheTimerIsSwitchedOffOrDestroyedEvenWhenOneWasQueued)
{
    for (const bool destroy : { false, true }) {
        SCOPED_TRACE(destroy ? "destroyed" : "switched off");
        PlainEventLoop loop;
        int ticks = 0;
        auto timer = std::make_unique<TJvTimer>(loop, 1000);
        timer->OnTimer = [&] { ++ticks; };
        timer->SetEnabled(true);
        // The first tick is queued at once; the timer goes before the loop runs it.
        ASSERT_TRUE(testing::WaitUntil([&] { return loop.Pending() > 0; }));
        if (destroy)
            timer.reset();
        else
            timer->SetEnabled(false);
        loop.Drain();
        EXPECT_EQ(ticks, 0);
    }
}

TEST(TJvTimer, ATickMaySwitchTheTimerOffAndItCanBeSwitchedOnAgain)
{
    PlainEventLoop loop;
    TJvTimer timer(loop, 10);
    int ticks = 0;
    timer.OnTimer = [&] {
        ++ticks;
        timer.SetEnabled(false);
    };
    timer.SetEnabled(true);
    ASSERT_TRUE(loop.RunUntil([&] { return ticks == 1; }));
    loop.Drain();
    EXPECT_EQ(ticks, 1);
    timer.SetEnabled(true);
    ASSERT_TRUE(loop.RunUntil([&] { return ticks == 2; }));
}

} // namespace
} // namespace ondrevo
