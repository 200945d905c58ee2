// The life of a child under the runner: exit codes and deaths by signal, start
// failures, writing to the child's input, Run from OnTerminate and while busy, children
// that close their output early or leave a grandchild holding it, and destroying the
// runner while its child runs (the child goes on and gets its last input).

#include "process/RunnerTestSupport.h"
#include "support/TempDir.h"

#include "base/Errors.h"
#include "base/HandlerDispatch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <thread>

namespace ondrevo::testing {
namespace {

using namespace std::chrono_literals;

TEST(RunnerExit, ExitStatusAndDeathBySignalAreToldApart)
{
    for (const int status : { 0, 1, 2, 127, 128, 200, 255 }) {
        RecordingRunner recording;
        ASSERT_TRUE(recording.Run(Child({ "exit", std::to_string(status) })));
        EXPECT_EQ(recording.terminations, std::vector<std::uint32_t> { static_cast<std::uint32_t>(status) });
        EXPECT_EQ(recording.runner.ExitCode(), static_cast<std::uint32_t>(status));
        EXPECT_EQ(recording.runner.State(), TJvProcessState::psReady);
    }
    for (const int signal : { SIGINT, SIGKILL, SIGUSR1, SIGTERM }) {
        RecordingRunner recording;
        ASSERT_TRUE(recording.Run(Child({ "signal", std::to_string(signal) })));
        EXPECT_EQ(recording.terminations,
            std::vector<std::uint32_t> { TJvCreateProcess::kSignalExitBase + static_cast<std::uint32_t>(signal) });
    }
}

// The encoder's file is made durable there before the batch renames it: work that must
// neither hold up the loop nor come after the end is reported.
TEST(RunnerExit, WorkAfterTheExitIsDoneOffTheLoopBeforeTheEndIsReported)
{
    RecordingRunner recording;
    std::atomic<bool> done { false };
    std::thread::id doneOn;
    // The work lasts until the loop has run a task posted when it began, as a slow flush
    // to the disk would. With the end posted before the work, the loop would handle the
    // end first and wait there for the work's thread: that task would not run meanwhile.
    std::atomic<bool> loopRan { false }, loopFree { false };
    recording.runner.AfterExit = [&] {
        doneOn = std::this_thread::get_id();
        recording.loop.Post([&] { loopRan = true; });
        loopFree = WaitUntil([&] { return loopRan.load(); }, 10s);
        done = true;
    };
    bool doneAtTheEnd = false;
    const auto record = recording.runner.OnTerminate;
    recording.runner.OnTerminate = [&](TJvCreateProcess& sender, std::uint32_t exitCode) {
        doneAtTheEnd = done;
        record(sender, exitCode);
    };
    ASSERT_TRUE(recording.Run(Child({ "exit", "3" })));
    EXPECT_TRUE(doneAtTheEnd);
    EXPECT_TRUE(loopFree);
    EXPECT_NE(doneOn, recording.loopThread);
    EXPECT_EQ(recording.terminations, std::vector<std::uint32_t> { 3 });
}

TEST(RunnerStart, FailuresRaiseOnceAndLeaveTheRunnerReady)
{
    TempDir temp;
    const std::string notExecutable = temp.File("not executable");
    std::ofstream(notExecutable) << "#!/bin/sh\necho never\n";
    chmod(notExecutable.c_str(), 0644);

    struct Case {
        std::vector<std::string> arguments;
        std::string directory;
        int code;
    };
    const std::vector<Case> cases = {
        { { temp.File("missing program") }, "", ENOENT },
        { { "ondrevo-no-such-program-on-path" }, "", ENOENT },
        { { notExecutable }, "", EACCES },
        { Child({ "exit", "0" }), temp.File("no such folder"), ENOENT },
        { {}, "", ENOENT },
    };
    for (const auto& failing : cases) {
        SCOPED_TRACE(failing.arguments.empty() ? "(empty)" : failing.arguments.front());
        RecordingRunner recording;
        recording.runner.SetCurrentDirectory(failing.directory);
        recording.runner.SetCommandLine(failing.arguments);
        int raised = 0;
        try {
            recording.runner.Run();
        } catch (const EOSError& e) {
            ++raised;
            EXPECT_EQ(e.Code(), failing.code);
            EXPECT_EQ(std::string(e.what()),
                "System Error.  Code: " + std::to_string(failing.code) + ".\n" + std::strerror(failing.code));
        }
        EXPECT_EQ(raised, 1);
        EXPECT_EQ(recording.runner.State(), TJvProcessState::psReady);
        EXPECT_FALSE(recording.runner.Write("x"));
        recording.loop.Drain(50ms);
        EXPECT_TRUE(recording.terminations.empty());
        EXPECT_TRUE(recording.lines.empty());
        // The runner is usable afterwards.
        recording.runner.SetCurrentDirectory("");
        ASSERT_TRUE(recording.Run(Child({ "print", "ok" })));
        EXPECT_EQ(recording.raw, "ok");
    }
}

TEST(RunnerWrite, QueuesBytesUnchangedAndEmptyOrOversizedTextsSendNothing)
{
    // The child echoes its input up to "q": what came before "q" is all that was sent.
    RecordingRunner recording;
    EXPECT_TRUE(recording.runner.Write("")); // empty: nothing to do
    EXPECT_FALSE(recording.runner.Write("q")); // no child
    recording.Start(Child({ "echo" }));
    EXPECT_TRUE(recording.runner.Write(""));
    EXPECT_FALSE(recording.runner.Write(std::string(1025, 'x')));
    EXPECT_TRUE(recording.runner.Write("hello "));
    EXPECT_TRUE(recording.runner.Write("q"));
    ASSERT_TRUE(recording.WaitForEnd());
    EXPECT_EQ(recording.raw, "hello q");
    EXPECT_FALSE(recording.runner.Write("q")); // the child has ended

    RecordingRunner full;
    full.Start(Child({ "echo" }));
    EXPECT_TRUE(full.runner.Write(std::string(1024, 'y'))); // exactly the pending capacity
    ASSERT_TRUE(full.loop.RunUntil([&] { return full.runner.Write("q"); }));
    ASSERT_TRUE(full.WaitForEnd());
    EXPECT_EQ(full.raw, std::string(1024, 'y') + "q");
}

TEST(RunnerWrite, AfterTheChildClosedItsInputWritesFail)
{
    RecordingRunner recording;
    recording.Start(Child({ "closein", "600000" }));
    ASSERT_TRUE(recording.loop.RunUntil([&] { return !recording.lines.empty(); }));
    // The watcher notices the closed pipe (at the latest when a write gets EPIPE); from
    // then on Write answers false. Our process is not killed by SIGPIPE.
    EXPECT_TRUE(recording.loop.RunUntil([&] { return !recording.runner.Write("x"); }, 60s));
    EXPECT_EQ(recording.runner.State(), TJvProcessState::psWaiting);
    kill(recording.runner.ProcessId(), SIGTERM);
    ASSERT_TRUE(recording.WaitForEnd());
}

TEST(RunnerWrite, ChildThatNeverReadsDoesNotHangTheRunner)
{
    RecordingRunner recording;
    recording.Start(Child({ "sleep", "600" }));
    int accepted = 0, refused = 0;
    const std::string chunk(1000, 'z');
    const bool ended = recording.loop.RunUntil(
        [&] {
            (recording.runner.Write(chunk) ? accepted : refused)++;
            return !recording.terminations.empty();
        },
        20s);
    ASSERT_TRUE(ended);
    EXPECT_GT(accepted, 0);
    EXPECT_GT(refused, 0); // the pipe filled up and the pending input with it
    EXPECT_EQ(recording.terminations, std::vector<std::uint32_t> { 0 });
}

TEST(RunnerWrite, WithoutRedirectionOnlyTheExitIsReported)
{
    RecordingRunner recording(coOwnerData);
    recording.Start(Child({ "exit", "7" }));
    EXPECT_EQ(recording.runner.State(), TJvProcessState::psWaiting);
    EXPECT_FALSE(recording.runner.Write("q"));
    ASSERT_TRUE(recording.WaitForEnd());
    EXPECT_EQ(recording.terminations, std::vector<std::uint32_t> { 7 });
    EXPECT_TRUE(recording.lines.empty());
}

TEST(RunnerCycle, RunFromInsideOnTerminate)
{
    RecordingRunner recording;
    const auto record = recording.runner.OnTerminate;
    recording.runner.OnTerminate = [&](TJvCreateProcess& sender, std::uint32_t exitCode) {
        record(sender, exitCode);
        EXPECT_EQ(sender.State(), TJvProcessState::psReady);
        if (recording.terminations.size() == 1) {
            sender.SetCommandLine(Child({ "print-err", "second\\n", "", "x" }));
            sender.Run();
        }
    };
    recording.Start(Child({ "exit", "3" }));
    ASSERT_TRUE(recording.loop.RunUntil([&] { return recording.terminations.size() == 2; }));
    recording.loop.Drain(20ms);
    EXPECT_EQ(recording.terminations, (std::vector<std::uint32_t> { 3, 0 }));
    EXPECT_EQ(recording.raw, "second\n");
}

TEST(RunnerCycle, RunWhileWaitingRaisesAndLeavesTheChildAlone)
{
    RecordingRunner recording;
    recording.Start(Child({ "pieces", "300", "first\\n", "second\\n" }));
    const pid_t pid = recording.runner.ProcessId();
    recording.runner.SetCommandLine(Child({ "exit", "9" }));
    try {
        recording.runner.Run();
        FAIL() << "no error";
    } catch (const EJVCLException& e) {
        EXPECT_STREQ(e.what(), "Cannot perform this operation when process is running");
    }
    EXPECT_EQ(recording.runner.ProcessId(), pid);
    EXPECT_EQ(recording.runner.State(), TJvProcessState::psWaiting);
    ASSERT_TRUE(recording.WaitForEnd());
    EXPECT_EQ(recording.raw, "first\nsecond\n");
    EXPECT_EQ(recording.terminations, std::vector<std::uint32_t> { 0 });
}

TEST(RunnerCycle, ChildClosingItsOutputEarlyEndsWhenItExits)
{
    RecordingRunner recording;
    ASSERT_TRUE(recording.Run(Child({ "closeout", "400", "3" })));
    EXPECT_EQ(recording.raw, "bye\n");
    // The exit code is known only once the child has exited: the end waited for it.
    EXPECT_EQ(recording.terminations, std::vector<std::uint32_t> { 3 });
}

TEST(RunnerCycle, AGrandchildLeftRunningIsEndedBeforeTheEnd)
{
    // It holds the output pipe open and would sleep on: neither holds back the end, and
    // nothing the child started still runs when its end is told.
    // It is asked to end first (SIGTERM), so an encoder left behind can close its file.
    TempDir dir;
    const std::string mark = dir.File("term");
    RecordingRunner recording;
    ASSERT_TRUE(recording.Run(Child({ "grandchild", "600000", mark })));
    EXPECT_EQ(recording.terminations, std::vector<std::uint32_t> { 0 });
    ASSERT_EQ(recording.raw.rfind("grandchild=", 0), 0u);
    const pid_t grandchild = std::atoi(recording.raw.c_str() + std::strlen("grandchild="));
    EXPECT_TRUE(Ended(grandchild));
    if (!Ended(grandchild))
        kill(grandchild, SIGKILL);
    std::string told;
    std::getline(std::ifstream(mark), told);
    EXPECT_EQ(told, "terminated");
}

TEST(RunnerCycle, HandlerErrorsAreReportedAndTheEndStillFollows)
{
    std::vector<std::string> reports;
    const ReportTextSink previous = SetReportTextSink([&](const std::string& text) { reports.push_back(text); });
    RecordingRunner recording;
    recording.runner.OnRead = [&](TJvCreateProcess&, const std::string& line, bool startsOnNewLine) {
        recording.lines.emplace_back(line, startsOnNewLine);
        throw EConvertError("'" + line + "' is not a valid integer value");
    };
    ASSERT_TRUE(recording.Run(Child({ "print", "tail" })));
    // Once at the end of the piece, once in the last delivery when the reader ended.
    EXPECT_EQ(recording.lines, (std::vector<Line> { { "tail", true }, { "tail", false } }));
    SetReportTextSink(previous);
    EXPECT_EQ(reports,
        (std::vector<std::string> { "'tail' is not a valid integer value.", "'tail' is not a valid integer value." }));
    EXPECT_EQ(recording.terminations, std::vector<std::uint32_t> { 0 });
}

// A runner whose owner goes away while its child runs; its events are only counted.
struct DoomedRunner {
    explicit DoomedRunner(PlainEventLoop& loop, const std::vector<std::string>& arguments)
        : runner(std::make_unique<TJvCreateProcess>(loop))
    {
        runner->SetConsoleOptions(coOwnerData | coRedirect);
        runner->OnRawRead = [this](TJvCreateProcess&, const std::string& piece) { bytes += piece.size(); };
        runner->OnRead = [this](TJvCreateProcess&, const std::string&, bool) { ++events; };
        runner->OnTerminate = [this](TJvCreateProcess&, std::uint32_t) { ++events; };
        runner->SetCommandLine(arguments);
        runner->Run();
        pid = runner->ProcessId();
    }

    std::unique_ptr<TJvCreateProcess> runner;
    pid_t pid = 0;
    std::size_t bytes = 0;
    int events = 0;
};

TEST(RunnerDestroy, ChildGoesOnToItsOwnEndWithoutEvents)
{
    const std::set<int> threadsBefore = BaselineThreads();
    const int descriptorsBefore = OpenDescriptorCount();
    TempDir temp;
    PlainEventLoop loop;
    DoomedRunner doomed(loop, Child({ "mark", temp.File("exit"), "pieces", "700", "started\\n", "later\\n" }));
    ASSERT_TRUE(loop.RunUntil([&] { return doomed.events > 0; }));
    const int seen = doomed.events;

    doomed.runner.reset();
    loop.Drain(100ms);
    EXPECT_EQ(doomed.events, seen);
    const char state = ProcessState(doomed.pid);
    EXPECT_TRUE(state == 'S' || state == 'R') << state; // still running

    // Its later output goes into a pipe that is still read: it ends normally, not by
    // SIGPIPE, and the watcher reaps it.
    EXPECT_EQ(WaitForFile(temp.File("exit")), "exit=0");
    EXPECT_TRUE(WaitUntil([&] { return ProcessGone(doomed.pid); })) << ProcessState(doomed.pid);
    EXPECT_TRUE(WaitUntil([&] { return NoNewThreads(threadsBefore); }));
    EXPECT_EQ(OpenDescriptorCount(), descriptorsBefore);
    loop.Drain(50ms);
    EXPECT_EQ(doomed.events, seen);
}

TEST(RunnerDestroy, WhileTheChildFloodsItsOutput)
{
    const std::set<int> threadsBefore = BaselineThreads();
    TempDir temp;
    PlainEventLoop loop;
    DoomedRunner doomed(loop, Child({ "mark", temp.File("exit"), "bytes", std::to_string(32 << 20) }));
    ASSERT_TRUE(loop.RunUntil([&] { return doomed.bytes > 100000; }));
    doomed.runner.reset();
    // The rest of its output is read and thrown away: it is neither blocked nor killed.
    EXPECT_EQ(WaitForFile(temp.File("exit")), "exit=0");
    EXPECT_TRUE(WaitUntil([&] { return ProcessGone(doomed.pid); }));
    EXPECT_TRUE(WaitUntil([&] { return NoNewThreads(threadsBefore); }));
    loop.Drain(20ms); // queued notifications find the runner gone
}

TEST(RunnerDestroy, InputQueuedJustBeforeReachesTheChild)
{
    // "q" written right before the window closes: the runner is destroyed while the
    // byte may still be pending. It must arrive every time.
    TempDir temp;
    PlainEventLoop loop;
    BaselineThreads(); // the children that live as long as this process are there
    const int childrenBefore = ChildCount();
    int events = 0;
    for (int i = 0; i < 20; ++i) {
        TJvCreateProcess runner(loop);
        runner.SetConsoleOptions(coOwnerData | coRedirect);
        runner.OnTerminate = [&](TJvCreateProcess&, std::uint32_t) { ++events; };
        runner.SetCommandLine(Child({ "stdin-to", temp.File("got" + std::to_string(i)) }));
        runner.Run();
        ASSERT_TRUE(runner.Write("q"));
    }
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(WaitForFile(temp.File("got" + std::to_string(i))), "q") << i;
    EXPECT_TRUE(WaitUntil([&] { return ChildCount() == childrenBefore; }));
    loop.Drain(20ms);
    EXPECT_EQ(events, 0);
}

TEST(RunnerDestroy, ChildThatNeverReadsDoesNotHoldTheDestructor)
{
    const std::set<int> threadsBefore = BaselineThreads();
    PlainEventLoop loop;
    DoomedRunner doomed(loop, Child({ "sleep", "600000" }));
    // Fill its input pipe, then the pending input behind it: a chunk waits that the full
    // pipe takes no more of.
    const std::string chunk(1000, 'z');
    ASSERT_TRUE(WaitUntil([&] { return !doomed.runner->Write(chunk) && InputPipeFull(doomed.pid); }));
    ASSERT_FALSE(doomed.runner->Write(chunk));
    const auto started = std::chrono::steady_clock::now();
    doomed.runner.reset(); // gives up on the pending input after about a second
    std::printf("destructor with input that cannot be written: %lld ms\n",
        static_cast<long long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count()));
    EXPECT_EQ(ProcessState(doomed.pid), 'S');
    kill(doomed.pid, SIGKILL);
    EXPECT_TRUE(WaitUntil([&] { return ProcessGone(doomed.pid); }));
    EXPECT_TRUE(WaitUntil([&] { return NoNewThreads(threadsBefore); }));
    loop.Drain(20ms);
    EXPECT_EQ(doomed.events, 0);
}

} // namespace
} // namespace ondrevo::testing
