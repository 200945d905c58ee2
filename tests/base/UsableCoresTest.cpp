#include "base/UsableCores.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sched.h>
#include <utility>
#include <vector>

namespace ondrevo {
namespace {

// A quota of one and a half cores still lets two encoders share the time; a text the
// kernel did not write sets no limit rather than one core.
TEST(UsableCores, AQuotaAllowsTheCoresItCoversRoundedUp)
{
    const struct {
        const char* cpuMax;
        unsigned cores;
    } cases[] = {
        { "max 100000\n", 0 },
        { "200000 100000\n", 2 },
        { "150000 100000", 2 },
        { "50000 100000", 1 },
        { "-1 100000", 0 },
        { "100000", 0 },
        { "12x 100000", 0 },
        { "", 0 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(CoresOfCpuQuota(c.cpuMax), c.cores) << c.cpuMax;
}

// In a container with a CPU limit: the tightest quota of the process's group and the
// groups above it, under cgroup v2 or v1's cpu controller, caps the cores the affinity
// gives. Each case is a membership list and the quota files of a made-up hierarchy.
TEST(UsableCores, TheControlGroupsQuotaCapsTheCores)
{
    const unsigned affinity = UsableCores({ "/nonexistent", "/nonexistent" });
    if (affinity < 2)
        GTEST_SKIP() << "one core: a quota of one changes nothing";
    using Files = std::vector<std::pair<std::string, std::string>>;
    const struct {
        const char* membership;
        Files files;
        unsigned cores; // 0: the affinity's
    } cases[] = {
        { "0::/box/job\n", { { "box/job/cpu.max", "50000 100000\n" } }, 1 },
        { "0::/box/job\n", { { "box/job/cpu.max", "max 100000\n" }, { "box/cpu.max", "100000 100000\n" } }, 1 },
        { "0::/box/job\n", { { "box/job/cpu.max", "max 100000\n" }, { "box/cpu.max", "max 100000\n" } }, 0 },
        { "0::/\n", {}, 0 },
        { "5:memory:/box\n4:cpu,cpuacct:/box\n",
            { { "cpu/box/cpu.cfs_quota_us", "50000\n" }, { "cpu/box/cpu.cfs_period_us", "100000\n" } }, 1 },
        { "4:cpu,cpuacct:/box\n",
            { { "cpu/box/cpu.cfs_quota_us", "-1\n" }, { "cpu/box/cpu.cfs_period_us", "100000\n" } }, 0 },
        // A quota of another controller's hierarchy is not the CPU's.
        { "5:memory:/box\n", { { "cpu/box/cpu.cfs_quota_us", "50000\n" }, { "cpu/box/cpu.cfs_period_us", "100000\n" } },
            0 },
    };
    for (const auto& c : cases) {
        testing::TempDir root;
        for (const auto& [path, text] : c.files) {
            std::filesystem::create_directories(std::filesystem::path(root.File(path)).parent_path());
            std::ofstream(root.File(path)) << text;
        }
        std::ofstream(root.File("cgroup")) << c.membership;
        EXPECT_EQ(UsableCores({ root.File("cgroup"), root.Path().string() }), c.cores ? c.cores : affinity)
            << c.membership;
    }
}

// Started with `taskset -c 0`, the program may use one core however many the machine has.
TEST(UsableCores, TheAffinityMaskLimitsTheCores)
{
    cpu_set_t before;
    ASSERT_EQ(sched_getaffinity(0, sizeof before, &before), 0);
    ASSERT_GE(UsableCores(), 1u);
    int first = 0;
    while (!CPU_ISSET(first, &before))
        ++first;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(first, &one);
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    const unsigned cores = UsableCores();
    sched_setaffinity(0, sizeof before, &before);
    EXPECT_EQ(cores, 1u);
}

} // namespace
} // namespace ondrevo
