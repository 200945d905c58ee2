#include "base/UsableCores.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <thread>

#include <sched.h>

namespace ondrevo {
namespace {

unsigned AffinityCores()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0)
        return static_cast<unsigned>(CPU_COUNT(&set));
    return std::thread::hardware_concurrency();
}

// A control group folder's CPU quota in cpu.max's form ("quota period"); cgroup v1
// keeps the two numbers in files of their own (-1: no quota).
std::string QuotaText(const std::string& folder, bool version2)
{
    std::string text;
    if (version2) {
        std::ifstream limit(folder + "/cpu.max");
        std::getline(limit, text);
        return text;
    }
    std::ifstream quota(folder + "/cpu.cfs_quota_us"), period(folder + "/cpu.cfs_period_us");
    std::string quotaText, periodText;
    if (quota >> quotaText && period >> periodText)
        text = quotaText + " " + periodText;
    return text;
}

// The tightest CPU quota of the process's control group and the groups above it, under
// cgroup v2 or v1's cpu controller; 0 when none is set.
unsigned QuotaCores(const ControlGroupFiles& groups)
{
    unsigned tightest = 0;
    std::ifstream membership(groups.membership);
    std::string line;
    while (std::getline(membership, line)) {
        // "0::/path" (v2) or "4:cpu,cpuacct:/path" (v1)
        const std::size_t first = line.find(':');
        const std::size_t second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos)
            continue;
        std::string controllers(1, ',');
        controllers.append(line, first + 1, second - first - 1).push_back(',');
        const bool version2 = controllers == ",,";
        if (!version2 && controllers.find(",cpu,") == std::string::npos)
            continue;
        std::string group = line.substr(second + 1);
        const std::string root = version2 ? groups.root : groups.root + "/cpu";
        for (;;) {
            const unsigned cores = CoresOfCpuQuota(QuotaText(root + group, version2));
            if (cores > 0 && (tightest == 0 || cores < tightest))
                tightest = cores;
            const std::size_t slash = group.rfind('/');
            if (slash == std::string::npos || group.size() <= 1)
                break;
            group.resize(slash);
        }
    }
    return tightest;
}

} // namespace

unsigned CoresOfCpuQuota(const std::string& cpuMax)
{
    std::istringstream fields(cpuMax);
    std::string quotaText;
    long long period = 0;
    if (!(fields >> quotaText >> period) || quotaText == "max" || period <= 0)
        return 0;
    long long quota = 0;
    try {
        std::size_t used = 0;
        quota = std::stoll(quotaText, &used);
        if (used != quotaText.size() || quota <= 0)
            return 0;
    } catch (const std::exception&) {
        return 0;
    }
    return static_cast<unsigned>(std::max(1LL, (quota + period - 1) / period));
}

unsigned UsableCores(const ControlGroupFiles& groups)
{
    unsigned cores = std::max(AffinityCores(), 1u);
    if (const unsigned quota = QuotaCores(groups); quota > 0)
        cores = std::min(cores, quota);
    return cores;
}

} // namespace ondrevo
