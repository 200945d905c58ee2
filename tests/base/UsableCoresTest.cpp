#include "base/UsableCores.h"

#include <gtest/gtest.h>

#include <sched.h>

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
