// Many runs and many failed starts leave no descriptor, thread or zombie behind, nor
// does a Run that fails after its child started; a program whose own standard streams
// are closed can still run children.

#include "process/RunnerTestSupport.h"
#include "support/TempDir.h"

#include "base/Errors.h"
#include "process/ThreadStartFault.h"

#include <gtest/gtest.h>

#include <new>
#include <system_error>

namespace ondrevo::testing {
namespace {

struct Resources {
    std::set<int> threads = BaselineThreads();
    int descriptors = OpenDescriptorCount();
    int zombies = ZombieChildCount();
    int children = ChildCount();
};

void ExpectUnchanged(const Resources& before)
{
    // A thread that posted its last notice may need a moment to be gone.
    EXPECT_TRUE(WaitUntil([&] { return NoNewThreads(before.threads); }));
    EXPECT_TRUE(WaitUntil([&] { return ChildCount() == before.children; })) << ChildCount();
    EXPECT_EQ(OpenDescriptorCount(), before.descriptors);
    EXPECT_EQ(ZombieChildCount(), before.zombies);
}

TEST(RunnerResources, ThousandRunsLeaveNothingBehind)
{
    RecordingRunner recording;
    ASSERT_TRUE(recording.Run(Child({ "print", "warm-up\\n" })));
    const Resources before;
    for (int i = 0; i < 1000; ++i) {
        recording.terminations.clear();
        recording.Start(Child({ "print", "x\\n" }));
        ASSERT_TRUE(recording.loop.RunUntil([&] { return !recording.terminations.empty(); })) << i;
    }
    recording.loop.Drain();
    ExpectUnchanged(before);
}

TEST(RunnerResources, ThousandFailedStartsLeaveNothingBehind)
{
    RecordingRunner recording(coOwnerData | coRedirect | coSeparateError);
    const Resources before;
    int raised = 0;
    for (int i = 0; i < 1000; ++i) {
        recording.runner.SetCommandLine({ i % 2 ? "/nonexistent/program" : "ondrevo-no-such-program" });
        try {
            recording.runner.Run();
        } catch (const EOSError&) {
            ++raised;
        }
    }
    EXPECT_EQ(raised, 1000);
    recording.loop.Drain();
    EXPECT_TRUE(recording.terminations.empty());
    ExpectUnchanged(before);
}

TEST(RunnerResources, RunFailingAfterTheChildStartedLeavesNoChildBehind)
{
    struct Case {
        const char* thread; // the one that cannot be started
        unsigned options;
        int startsBefore;
    };
    const std::vector<Case> cases = {
        { "watcher", coOwnerData | coRedirect, 0 },
        { "output reader", coOwnerData | coRedirect, 1 },
        { "error reader", coOwnerData | coRedirect | coSeparateError, 2 },
        { "process waiter", coOwnerData, 0 },
    };
    for (const auto& c : cases) {
        for (const bool noMemory : { false, true }) {
            SCOPED_TRACE(std::string(c.thread) + (noMemory ? ", no memory" : ", no thread"));
            RecordingRunner recording(c.options);
            const Resources before;
            ThreadStartFault::Arm(c.startsBefore,
                noMemory ? std::make_exception_ptr(std::bad_alloc())
                         : std::make_exception_ptr(std::system_error(EAGAIN, std::generic_category())));
            recording.runner.SetCommandLine(Child({ "sleep", "600000" }));
            int raised = 0;
            try {
                recording.runner.Run();
            } catch (const EOSError& e) {
                raised = noMemory ? -1 : 1;
                EXPECT_EQ(e.Code(), EAGAIN);
            } catch (const std::bad_alloc&) {
                raised = noMemory ? 1 : -1;
            }
            ThreadStartFault::Disarm();
            EXPECT_EQ(raised, 1);
            EXPECT_EQ(recording.runner.State(), TJvProcessState::psReady);
            EXPECT_FALSE(recording.runner.Write("q"));
            ExpectUnchanged(before); // the child was ended and reaped
            recording.loop.Drain(std::chrono::milliseconds(50));
            EXPECT_TRUE(recording.terminations.empty());
            ASSERT_TRUE(recording.Run(Child({ "exit", "5" })));
            EXPECT_EQ(recording.terminations, std::vector<std::uint32_t> { 5 });
        }
    }
}

TEST(RunnerResources, WorksWhenOurStandardStreamsAreClosed)
{
    // A program whose standard streams are closed gets 0, 1 and 2 for its pipes.
    struct Case {
        std::vector<std::string> child;
        std::string input, output;
    };
    for (const auto& c : { Case { Child({ "fds" }), "", "fds=0 1 2\n" }, Case { Child({ "echo" }), "in q", "in q" } }) {
        SCOPED_TRACE(c.child.at(1));
        TempDir temp;
        RecordingRunner program;
        ASSERT_TRUE(program.Run(Parent({ "closed-streams", temp.File("output"), c.input }, c.child)));
        EXPECT_EQ(program.terminations, std::vector<std::uint32_t> { 0 });
        EXPECT_EQ(WaitForFile(temp.File("output")), c.output);
    }
}

} // namespace
} // namespace ondrevo::testing
