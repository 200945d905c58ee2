#pragma once
// How many encoders or workers can usefully run side by side.

#include <string>

namespace ondrevo {

// Where the process's control groups are read: the list of its groups, and the folder
// the hierarchies are mounted on (cgroup v2 there, v1's cpu controller in "cpu/").
struct ControlGroupFiles {
    std::string membership = "/proc/self/cgroup";
    std::string root = "/sys/fs/cgroup";
};

// The CPUs the calling thread may run on (its affinity mask, as `taskset` or a
// container's cpuset sets it), fewer when the process's control group, or one above it,
// has a CPU quota that allows fewer. At least 1.
unsigned UsableCores(const ControlGroupFiles& groups = {});

// The cores a control group's "cpu.max" text allows ("150000 100000": 2), rounded up;
// 0 when it sets no limit or cannot be read.
unsigned CoresOfCpuQuota(const std::string& cpuMax);

} // namespace ondrevo
