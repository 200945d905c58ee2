// Many runs and many failed starts leave no descriptor, thread or zombie behind, and a
// program whose own standard streams are closed can still run children.

#include "process/RunnerTestSupport.h"

#include "base/Errors.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace ondrevo::testing {
namespace {

struct Resources {
    int threads = BaselineThreadCount();
    int descriptors = OpenDescriptorCount();
    int zombies = ZombieChildCount();
};

void ExpectUnchanged(const Resources& before)
{
    // A thread that posted its last notice may need a moment to be gone.
    EXPECT_TRUE(WaitFor([&] { return ThreadCount() == before.threads; }, std::chrono::seconds(2))) << ThreadCount();
    EXPECT_EQ(OpenDescriptorCount(), before.descriptors);
    EXPECT_EQ(ZombieChildCount(), before.zombies);
}

TEST(RunnerResources, ThousandRunsLeaveNothingBehind)
{
    RecordingRunner recording;
    recording.Start(Child({ "print", "warm-up\\n" }));
    ASSERT_TRUE(recording.WaitForEnd());
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

// Exit status of the forked test body: 0 when every check held.
int RunWithStandardStreamsClosed()
{
    close(0);
    close(1);
    close(2);
    RecordingRunner recording;
    recording.Start(Child({ "fds" }));
    if (!recording.WaitForEnd())
        return 1;
    if (recording.raw != "fds=0 1 2\n")
        return 2;
    recording.raw.clear();
    recording.terminations.clear();
    recording.Start(Child({ "echo" }));
    recording.runner.Write("in q");
    if (!recording.WaitForEnd() || recording.raw != "in q")
        return 3;
    return 0;
}

TEST(RunnerResources, WorksWhenOurStandardStreamsAreClosed)
{
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0)
        _exit(RunWithStandardStreamsClosed());
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
} // namespace ondrevo::testing
