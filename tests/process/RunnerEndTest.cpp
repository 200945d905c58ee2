// Ending a child that does not stop when asked (ScheduleEnd): SIGTERM, then SIGKILL
// at their deadlines. While the runner lives the end is reported as usual; once it is
// destroyed nothing is reported, but the child is still ended and reaped.

#include "process/RunnerTestSupport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <memory>

namespace ondrevo::testing {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t Signalled(int signal)
{
    return TJvCreateProcess::kSignalExitBase + static_cast<std::uint32_t>(signal);
}

TEST(RunnerEnd, StopThenDeadlineSendsOnlyWhatTheChildNeeds)
{
    struct Case {
        std::vector<std::string> child;
        std::chrono::milliseconds terminateAfter, killAfter;
        std::uint32_t exitCode;
    };
    const std::vector<Case> cases = {
        { Child({ "echo" }), 10min, 10min, 0 }, // ends on "q" by itself: no signal
        { Child({ "sleep", "600000" }), 100ms, 10s, Signalled(SIGTERM) }, // ignores "q", not SIGTERM
        // A kill delay shorter than the terminate delay counts from SIGTERM, not from now.
        { Child({ "sleep", "600000" }), 300ms, 50ms, Signalled(SIGTERM) },
        { Child({ "ignore-term", "600000" }), 100ms, 200ms, Signalled(SIGKILL) }, // ignores both
        // A wrapper script's program gets the signals with it, and is gone at the end:
        // when the script ends first, its program's SIGKILL still comes.
        { Wrapped(Child({ "echo" })), 10min, 10min, 0 },
        { Wrapped(Child({ "sleep", "600000" })), 100ms, 10s, Signalled(SIGTERM) },
        { Wrapped(Child({ "ignore-term", "600000" })), 100ms, 200ms, Signalled(SIGTERM) },
    };
    for (const auto& c : cases) {
        const bool wrapped = c.child.front() == "/bin/sh";
        SCOPED_TRACE(c.child.at(wrapped ? 5 : 1) + (wrapped ? " in a wrapper" : ""));
        RecordingRunner recording;
        recording.Start(c.child);
        const pid_t program = wrapped ? ChildOf(recording.runner.ProcessId()) : 0;
        if (std::count(c.child.begin(), c.child.end(), "ignore-term")) { // SIGTERM before it is ignored would end it
            ASSERT_TRUE(recording.loop.RunUntil([&] { return !recording.lines.empty(); }));
        }
        ASSERT_TRUE(recording.runner.Write("q"));
        recording.runner.ScheduleEnd(c.terminateAfter, c.killAfter);
        ASSERT_TRUE(recording.WaitForEnd());
        EXPECT_EQ(recording.terminations, std::vector<std::uint32_t> { c.exitCode });
        EXPECT_EQ(recording.runner.State(), TJvProcessState::psReady);
        EXPECT_EQ(recording.eventsAfterTerminate, 0);
        if (wrapped) {
            ASSERT_GT(program, 0);
            EXPECT_TRUE(WaitUntil([&] { return Ended(program); }));
        }
    }
}

TEST(RunnerEnd, LaterCallsDoNotPostponeTheEnd)
{
    for (const bool shortFirst : { true, false }) {
        RecordingRunner recording;
        recording.Start(Child({ "ignore-term", "600000" }));
        ASSERT_TRUE(recording.loop.RunUntil([&] { return !recording.lines.empty(); })); // "ready"
        if (shortFirst)
            recording.runner.ScheduleEnd(50ms, 50ms);
        recording.runner.ScheduleEnd(10min, 10min);
        if (!shortFirst)
            recording.runner.ScheduleEnd(50ms, 50ms);
        ASSERT_TRUE(recording.WaitForEnd());
        EXPECT_EQ(recording.terminations, std::vector<std::uint32_t> { Signalled(SIGKILL) });
    }
}

TEST(RunnerEnd, WithoutAChildNothingHappens)
{
    RecordingRunner recording;
    recording.runner.ScheduleEnd(0ms, 0ms);
    ASSERT_TRUE(recording.Run(Child({ "exit", "4" })));
    // A schedule made after the child ended does not reach the next one.
    recording.runner.ScheduleEnd(0ms, 0ms);
    recording.Start(Child({ "pieces", "200", "a\\n", "b\\n" }));
    ASSERT_TRUE(recording.loop.RunUntil([&] { return recording.terminations.size() == 2; }));
    EXPECT_EQ(recording.terminations, (std::vector<std::uint32_t> { 4, 0 }));
    EXPECT_EQ(recording.raw, "a\nb\n");
}

TEST(RunnerEnd, HoldsAfterTheRunnerIsDestroyed)
{
    // The mini player's close: "quit", a deadline, then the window and its runner go.
    const std::set<int> threadsBefore = BaselineThreads();
    const int childrenBefore = ChildCount();
    TempDir temp;
    PlainEventLoop loop;
    int events = 0;
    const auto closeWindow = [&](const std::vector<std::string>& child, std::chrono::milliseconds terminateAfter,
                                 std::chrono::milliseconds killAfter) {
        auto runner = std::make_unique<TJvCreateProcess>(loop);
        runner->SetConsoleOptions(coOwnerData | coRedirect);
        std::string output;
        runner->OnRawRead = [&](TJvCreateProcess&, const std::string& piece) { output += piece; };
        runner->OnTerminate = [&](TJvCreateProcess&, std::uint32_t) { ++events; };
        runner->SetCommandLine(child);
        runner->Run();
        const pid_t pid = runner->ProcessId();
        if (child.at(1) == "ignore-term") { // SIGTERM before it is ignored would end it
            EXPECT_TRUE(loop.RunUntil([&] { return output == "ready\n"; }));
        }
        runner->OnRawRead = [&](TJvCreateProcess&, const std::string&) { ++events; };
        EXPECT_TRUE(runner->Write("quit\n"));
        runner->ScheduleEnd(terminateAfter, killAfter);
        runner.reset();
        return pid;
    };
    // A child that ends on its input does so by itself (a signal would leave no mark).
    const pid_t obeying = closeWindow(Child({ "mark", temp.File("exit"), "echo" }), 10min, 10min);
    // One that ignores its input and SIGTERM is killed.
    const pid_t stubborn = closeWindow(Child({ "ignore-term", "600000" }), 100ms, 200ms);
    EXPECT_EQ(WaitForFile(temp.File("exit")), "exit=0");
    EXPECT_TRUE(WaitUntil([&] { return ProcessGone(obeying) && ProcessGone(stubborn); }));
    EXPECT_TRUE(WaitUntil([&] { return ChildCount() == childrenBefore; })); // reaped, no zombie
    EXPECT_TRUE(WaitUntil([&] { return NoNewThreads(threadsBefore); }));
    loop.Drain(50ms);
    EXPECT_EQ(events, 0);
}

} // namespace
} // namespace ondrevo::testing
