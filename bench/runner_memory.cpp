// Bounded memory of the process runner: the UI loop stalls for 2 s right after Run
// while the child writes 200 MiB of progress text. The reader keeps at most 128 KiB
// and drops the rest, so resident memory (VmRSS) should grow by no more than 2 MiB.
// Prints the growth; asserts nothing.
//
//   runner_memory [MiB] [stall-ms]

#include "ProgressText.h"

#include "base/PlainEventLoop.h"
#include "process/TJvCreateProcess.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

using namespace ondrevo;
using Clock = std::chrono::steady_clock;

namespace {

bool Running(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    return static_cast<bool>(stat);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::string(argv[1]) == "--child-progress")
        return bench::WriteProgress(std::stoull(argv[2]));
    const std::size_t mib = argc >= 2 ? std::stoull(argv[1]) : 200;
    const int stallMs = argc >= 3 ? std::stoi(argv[2]) : 2000;
    const std::string self = bench::SelfPath();

    PlainEventLoop loop;
    TJvCreateProcess runner(loop);
    runner.SetConsoleOptions(coOwnerData | coRedirect);
    std::size_t deliveries = 0;
    bool ended = false;
    runner.OnRead = [&](TJvCreateProcess&, const std::string&, bool) { ++deliveries; };
    runner.OnTerminate = [&](TJvCreateProcess&, std::uint32_t) { ended = true; };

    // A first small run, so that thread stacks, allocator arenas and the loop's queue
    // exist before the measurement starts.
    runner.SetCommandLine({ self, "--child-progress", std::to_string(1 << 20) });
    runner.Run();
    loop.RunUntil([&] { return ended; });
    ended = false;
    deliveries = 0;

    const long before = bench::ResidentKiB();
    runner.SetCommandLine({ self, "--child-progress", std::to_string(mib << 20) });
    const auto started = Clock::now();
    runner.Run();
    const pid_t pid = runner.ProcessId();
    long peak = before;
    double childDoneAfter = -1;
    while (Clock::now() - started < std::chrono::milliseconds(stallMs)) { // the loop does not run
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        peak = std::max(peak, bench::ResidentKiB());
        if (childDoneAfter < 0 && !Running(pid))
            childDoneAfter = std::chrono::duration<double>(Clock::now() - started).count();
    }
    const long afterStall = bench::ResidentKiB();
    loop.RunUntil([&] { return ended; }, std::chrono::minutes(2));
    const long atEnd = bench::ResidentKiB();
    peak = std::max(peak, atEnd);

    std::printf("child writes %zu MiB while the loop stalls %d ms", mib, stallMs);
    if (childDoneAfter >= 0)
        std::printf(" (child done after %.2f s)\n", childDoneAfter);
    else
        std::printf(" (child still writing when the stall ended)\n");
    std::printf("VmRSS before %ld KiB, after stall %ld KiB, at end %ld KiB, peak sampled %ld KiB\n", before, afterStall,
        atEnd, peak);
    std::printf(
        "growth: after stall %+ld KiB, peak %+ld KiB (target <= 2048 KiB)\n", afterStall - before, peak - before);
    std::printf("OnRead calls after the stall: %zu\n", deliveries);
    return 0;
}
