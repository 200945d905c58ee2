#pragma once
// How many encoders or workers can usefully run side by side.

#include <string>

namespace ondrevo {

// The CPUs the calling thread may run on (its affinity mask, as `taskset` or a
// container's cpuset sets it), fewer when the process's control group has a CPU quota
// that allows fewer. At least 1.
unsigned UsableCores();

// The cores a control group's "cpu.max" text allows ("150000 100000": 2), rounded up;
// 0 when it sets no limit or cannot be read.
unsigned CoresOfCpuQuota(const std::string& cpuMax);

} // namespace ondrevo
