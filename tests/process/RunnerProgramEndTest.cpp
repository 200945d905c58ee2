// What becomes of a child when the program that started it ends: it is killed with the
// program, however the program ends and whichever thread ran it, and the input queued
// just before the program ends still reaches it.

#include "process/RunnerTestSupport.h"
#include "process/UniqueFd.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <poll.h>
#include <sys/syscall.h>

namespace ondrevo::testing {
namespace {

using namespace std::chrono_literals;

// Whether the process of `pidfd` (not a child of ours) ends within `timeout`.
bool Ends(const UniqueFd& pidfd, std::chrono::milliseconds timeout)
{
    pollfd fd { pidfd.Get(), POLLIN, 0 };
    return ::poll(&fd, 1, static_cast<int>(timeout.count())) == 1;
}

TEST(RunnerProgramEnd, ChildIsKilledWithTheProgram)
{
    // The second program ran its runner on a thread that has ended since: the child's
    // life hangs on the program, not on the thread that started it. The child would
    // finish its input when the program is gone, and sleep on; so would the program a
    // wrapper script runs (it answers for the script).
    for (const bool wrapped : { false, true }) {
        for (const char* mode : { "hold", "hold-from-thread" }) {
            SCOPED_TRACE(std::string(mode) + (wrapped ? " in a wrapper" : ""));
            const std::vector<std::string> echo = Child({ "echo", "600000" });
            RecordingRunner program;
            program.Start(Parent({ mode }, wrapped ? Wrapped(echo) : echo));
            program.loop.RunUntil([&] { return !program.lines.empty() || !program.terminations.empty(); });
            ASSERT_FALSE(program.lines.empty()) << "the child did not answer";
            const pid_t childPid = std::stoi(program.lines.front().first);
            const UniqueFd child(static_cast<int>(::syscall(SYS_pidfd_open, childPid, 0)));
            ASSERT_TRUE(child.Valid());
            EXPECT_FALSE(Ends(child, 0ms)); // it runs while the program lives
            const pid_t grandchild = wrapped ? ChildOf(childPid) : 0;
            if (wrapped) {
                ASSERT_GT(grandchild, 0);
            }

            ::kill(program.runner.ProcessId(), SIGKILL);
            ASSERT_TRUE(program.WaitForEnd());
            EXPECT_EQ(program.terminations, std::vector<std::uint32_t> { TJvCreateProcess::kSignalExitBase + SIGKILL });
            const bool ended = Ends(child, 20s);
            EXPECT_TRUE(ended);
            if (!ended)
                ::syscall(SYS_pidfd_send_signal, child.Get(), SIGKILL, nullptr, 0);
            if (wrapped) {
                EXPECT_TRUE(WaitUntil([&] { return Ended(grandchild); }));
                if (!Ended(grandchild))
                    ::kill(grandchild, SIGKILL);
            }
        }
    }
}

TEST(RunnerProgramEnd, InputQueuedAsTheProgramEndsReachesTheChild)
{
    // The program destroys its runner with "q" still queued and returns from main at once.
    // The child lets go of its death signal before it says it is ready, so that it can
    // leave what it read in a file after the program has gone.
    TempDir temp;
    std::vector<std::unique_ptr<RecordingRunner>> programs;
    for (int i = 0; i < 10; ++i) {
        programs.push_back(std::make_unique<RecordingRunner>());
        programs.back()->Start(Parent(
            { "write-and-end", "q" }, Child({ "outlive-parent", "stdin-to", temp.File("got" + std::to_string(i)) })));
    }
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(programs[i]->WaitForEnd()) << i;
        EXPECT_EQ(programs[i]->terminations, std::vector<std::uint32_t> { 0 }) << i;
        EXPECT_EQ(WaitForFile(temp.File("got" + std::to_string(i))), "q") << i;
    }
}

} // namespace
} // namespace ondrevo::testing
