// Several files converted at once: a batch through Ondrevo's batch driver (in-memory
// window, real runners, real encoder) with "Files converted at once" set to the number
// of cores and to 1, against xargs -P running the same encoder argument lists (taken
// from the program, one per row) with the same number of processes. The four runs
// alternate their order from round to round, after one warm-up batch of each that is not
// counted. Prints, as medians over the rounds:
//   - Ondrevo's wall time / xargs' wall time at N = cores, as measured and at equal
//     encoder CPU time (this machine's speed drifts by 10 % and more between runs);
//   - the cores' idle time during each batch, and Ondrevo's own CPU time;
//   - Ondrevo's wall time / (the encoders' CPU time / cores), the encoders' CPU time
//     being the children's rusage: how close the batch keeps the cores busy;
//   - the gain of N = cores over N = 1 for Ondrevo and for xargs, side by side.
// Asserts nothing.
//
//   build/bench/batch_at_once [clips] [seconds per clip] [rounds]

#include "BatchProgram.h"

#include "app/TFFmpegFunc.h"

#include <algorithm>
#include <thread>

#include <unistd.h>

namespace {

using namespace ondrevo;
using namespace ondrevo::bench;

struct Run {
    double wall = 0; // seconds
    double childCpu = 0; // seconds of the encoders (and xargs)
    double idle = 0; // core-seconds the machine's cores were idle or waiting for the disk
    double ownCpu = 0; // seconds of the program's own threads
};

// Idle and I/O-wait time of all cores, from /proc/stat, in seconds.
double IdleCoreSeconds()
{
    std::ifstream stat("/proc/stat");
    std::string cpu;
    long long user = 0, nice = 0, system = 0, idle = 0, iowait = 0;
    stat >> cpu >> user >> nice >> system >> idle >> iowait;
    return static_cast<double>(idle + iowait) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    const int clips = argc > 1 ? std::max(1, std::atoi(argv[1])) : 12;
    const double clipSeconds = argc > 2 ? std::atof(argv[2]) : 20;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));

    BatchProgram program;
    testing::Session& session = *program.session;
    std::printf("generating %d clips of %.0f s, 1280x720 H.264 with AAC ...\n", clips, clipSeconds);
    const std::string first = program.dir.File("clip0.mp4");
    if (!MakeClip(first, clipSeconds, "1280x720", true))
        return 1;
    for (int n = 0; n < clips; ++n) {
        const std::string path = program.dir.File("clip" + std::to_string(n) + ".mp4");
        if (n > 0)
            std::filesystem::copy_file(first, path);
        session.window.openDialog.answers.push_back(path);
        session.Event([](TFFmpegFrmHandlers& h) { h.AddFileBtnClick(); });
    }

    // The argument lists the batch builds, one per row, for xargs: the arguments after
    // the program, NUL-separated, every list of the same length, so that xargs -n gives
    // each encoder its own.
    const std::vector<std::vector<std::string>> commands = program.RowCommandLines(clips);
    const std::size_t arguments = commands.front().size();
    const std::string listFile = program.dir.File("commands.txt");
    {
        std::ofstream list(listFile, std::ios::binary);
        for (const auto& command : commands) {
            if (command.size() != arguments) {
                std::fprintf(stderr, "the rows' argument lists differ in length\n");
                return 1;
            }
            for (std::size_t n = 1; n < command.size(); ++n)
                list << command[n] << '\0';
        }
    }
    std::printf("encoder arguments:");
    for (const std::string& argument : commands.front())
        std::printf(" %s", argument.c_str());
    std::printf("\n%d cores; %d rounds, each: Ondrevo and xargs with N = %d and N = 1\n\n", cores, rounds, cores);

    const auto ours = [&](int atOnce) {
        session.window.filesAtOnceSpin.UserSets(atOnce);
        const double cpu = ChildrenCpuSeconds();
        const double idle = IdleCoreSeconds();
        const double own = OwnCpuSeconds();
        const auto start = Clock::now();
        session.Event([](TFFmpegFrmHandlers& h) { h.ConvFileBtnClick(); });
        session.loop.RunUntil([&] { return session.window.addFileBtn.enabled && !session.window.encoders.AnyBusy(); },
            std::chrono::hours(2));
        return Run { Seconds(Clock::now() - start), ChildrenCpuSeconds() - cpu, IdleCoreSeconds() - idle,
            OwnCpuSeconds() - own };
    };
    const auto theirs = [&](int atOnce) {
        const double cpu = ChildrenCpuSeconds();
        const double idle = IdleCoreSeconds();
        const auto start = Clock::now();
        testing::RunCommand({ "xargs", "-0", "-a", listFile, "-n", std::to_string(arguments - 1), "-P",
                                std::to_string(atOnce), commands.front().front() },
            "/dev/null");
        return Run { Seconds(Clock::now() - start), ChildrenCpuSeconds() - cpu, IdleCoreSeconds() - idle };
    };

    // The first batch after the clips were made runs on a machine still settling from
    // making them; it is shown, not counted.
    {
        const Run oursN = ours(cores);
        const Run xargsN = theirs(cores);
        std::printf("warm-up: N=%d Ondrevo %.2f s, xargs %.2f s (not counted)\n", cores, oursN.wall, xargsN.wall);
    }
    std::vector<double> versusXargs, versusXargsAtEqualCpu, busyOurs, busyXargs, idleOurs, idleXargs, ownCpu, gainOurs,
        gainXargs;
    for (int round = 0; round < rounds; ++round) {
        Run oursN, xargsN, ours1, xargs1;
        if (round % 2 == 0) {
            oursN = ours(cores);
            xargsN = theirs(cores);
            ours1 = ours(1);
            xargs1 = theirs(1);
        } else {
            xargs1 = theirs(1);
            ours1 = ours(1);
            xargsN = theirs(cores);
            oursN = ours(cores);
        }
        versusXargs.push_back(oursN.wall / xargsN.wall);
        busyOurs.push_back(oursN.wall / (oursN.childCpu / cores));
        busyXargs.push_back(xargsN.wall / (xargsN.childCpu / cores));
        versusXargsAtEqualCpu.push_back(busyOurs.back() / busyXargs.back());
        idleOurs.push_back(oursN.idle);
        idleXargs.push_back(xargsN.idle);
        ownCpu.push_back(oursN.ownCpu);
        gainOurs.push_back(ours1.wall / oursN.wall);
        gainXargs.push_back(xargs1.wall / xargsN.wall);
        std::printf("round %d: N=%d Ondrevo %.2f s (encoders' CPU %.2f s, own CPU %.2f s, idle %.2f core-s), "
                    "xargs %.2f s (CPU %.2f s, idle %.2f core-s); N=1 Ondrevo %.2f s, xargs %.2f s\n",
            round + 1, cores, oursN.wall, oursN.childCpu, oursN.ownCpu, oursN.idle, xargsN.wall, xargsN.childCpu,
            xargsN.idle, ours1.wall, xargs1.wall);
        std::fflush(stdout);
    }
    std::printf("\nmedians over %d rounds, %d clips of %.0f s:\n", rounds, clips, clipSeconds);
    std::printf("  Ondrevo / xargs wall time at N=%d:                 %.3f (target: at most 1.05)\n", cores,
        Median(versusXargs));
    // The encoders do the same work in both; what their CPU time varies by between runs is
    // the machine's own speed, which this ratio takes out.
    std::printf("  the same, at equal encoder CPU time:               %.3f\n", Median(versusXargsAtEqualCpu));
    std::printf(
        "  idle core-seconds at N=%d:                         Ondrevo %.2f, xargs %.2f; Ondrevo's own CPU %.2f s\n",
        cores, Median(idleOurs), Median(idleXargs), Median(ownCpu));
    std::printf("  Ondrevo wall / (encoders' CPU / %d cores) at N=%d: %.3f (target: at most 1.15; xargs: %.3f)\n",
        cores, cores, Median(busyOurs), Median(busyXargs));
    std::printf("  gain of N=%d over N=1:                             Ondrevo %.2fx, xargs %.2fx\n", cores,
        Median(gainOurs), Median(gainXargs));
    return 0;
}
