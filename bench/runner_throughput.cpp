// Throughput of the process runner on encoder-like progress text: a child writes
// 100 MiB of CR-ended progress lines (an LF line now and then); we measure MB/s from
// Run to OnTerminate with every line delivered through OnRead on a plain loop, and
// compare in the same run with QProcess (readyRead + readAll on a QCoreApplication).
// Prints figures and the ratio; asserts nothing.
//
//   runner_throughput [MiB] [rounds] [ours|qt]   (the last one runs only one side)

#include "ProgressText.h"

#include "base/PlainEventLoop.h"
#include "process/TJvCreateProcess.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <vector>

#if __has_include(<QtCore/QProcess>)
#include <QtCore/QCoreApplication>
#include <QtCore/QProcess>
#define ONDREVO_BENCH_WITH_QT 1
#endif

using namespace ondrevo;
using Clock = std::chrono::steady_clock;

namespace {

// CPU time of this process and its reaped children: on a busy machine a steadier
// measure than the wall clock.
double CpuSeconds()
{
    double total = 0;
    for (const int who : { RUSAGE_SELF, RUSAGE_CHILDREN }) {
        rusage usage {};
        getrusage(who, &usage);
        total += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
            + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

struct Result {
    double seconds = 0;
    double cpuSeconds = 0;
    std::size_t lineFeeds = 0; // seen by the reader of the output
    std::size_t deliveries = 0;
};

Result RunOurs(const std::string& self, std::size_t bytes)
{
    PlainEventLoop loop;
    TJvCreateProcess runner(loop);
    runner.SetConsoleOptions(coOwnerData | coRedirect);
    Result result;
    std::size_t sink = 0;
    bool ended = false;
    // Each delivery that starts on a new line follows an LF (or is the first one):
    // counting them shows whether any output was dropped.
    runner.OnRead = [&](TJvCreateProcess&, const std::string& line, bool startsOnNewLine) {
        ++result.deliveries;
        sink += line.size();
        if (startsOnNewLine)
            ++result.lineFeeds;
    };
    runner.OnTerminate = [&](TJvCreateProcess&, std::uint32_t) { ended = true; };
    runner.SetCommandLine({ self, "--child-progress", std::to_string(bytes) });
    const auto started = Clock::now();
    const double cpuStarted = CpuSeconds();
    runner.Run();
    loop.RunUntil([&] { return ended; }, std::chrono::minutes(5));
    result.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    result.cpuSeconds = CpuSeconds() - cpuStarted;
    if (result.lineFeeds > 0)
        --result.lineFeeds; // the first delivery starts on a new line without a LF before it
    if (sink == 1) // keeps the line texts from being optimised away
        std::puts("");
    return result;
}

#ifdef ONDREVO_BENCH_WITH_QT
Result RunQProcess(const std::string& self, std::size_t bytes)
{
    Result result;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    const auto take = [&] {
        const QByteArray data = process.readAll();
        result.lineFeeds += static_cast<std::size_t>(std::count(data.begin(), data.end(), '\n'));
        ++result.deliveries;
    };
    QObject::connect(&process, &QProcess::readyReadStandardOutput, take);
    QObject::connect(&process, &QProcess::finished, [&] {
        take();
        QCoreApplication::quit();
    });
    const auto started = Clock::now();
    const double cpuStarted = CpuSeconds();
    process.start(QString::fromStdString(self), { "--child-progress", QString::number(bytes) });
    QCoreApplication::exec();
    process.waitForFinished(); // reaped, so that its CPU time is counted
    result.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    result.cpuSeconds = CpuSeconds() - cpuStarted;
    return result;
}
#endif

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::string(argv[1]) == "--child-progress")
        return bench::WriteProgress(std::stoull(argv[2]));
    const std::size_t mib = argc >= 2 ? std::stoull(argv[1]) : 100;
    const int rounds = argc >= 3 ? std::max(1, std::stoi(argv[2])) : 5;
    const std::string only = argc >= 4 ? argv[3] : "";
    const std::size_t bytes = mib << 20;
    const std::string self = bench::SelfPath();
    const std::size_t expectedLineFeeds = bench::ProgressLineFeeds(bytes);
    const double megabytes = static_cast<double>(bytes) / 1e6;
#ifdef ONDREVO_BENCH_WITH_QT
    int qtArgc = 1;
    QCoreApplication application(qtArgc, argv);
#endif
    std::printf(
        "child writes %zu MiB of progress text (%zu LF lines), %d rounds each\n", mib, expectedLineFeeds, rounds);
    std::vector<double> ours, qt, oursCpu, qtCpu;
    for (int round = 0; round < rounds; ++round) {
        if (only != "qt") {
            const Result runner = RunOurs(self, bytes);
            ours.push_back(megabytes / runner.seconds);
            oursCpu.push_back(runner.cpuSeconds);
            std::printf("  TJvCreateProcess: %7.1f MB/s  (%.3f s, CPU %.3f s, %zu OnRead calls, LF lines %zu/%zu)\n",
                ours.back(), runner.seconds, runner.cpuSeconds, runner.deliveries, runner.lineFeeds, expectedLineFeeds);
        }
#ifdef ONDREVO_BENCH_WITH_QT
        if (only == "ours")
            continue;
        const Result process = RunQProcess(self, bytes);
        qt.push_back(megabytes / process.seconds);
        qtCpu.push_back(process.cpuSeconds);
        std::printf("  QProcess:         %7.1f MB/s  (%.3f s, CPU %.3f s, %zu readAll calls, LF %zu/%zu)\n", qt.back(),
            process.seconds, process.cpuSeconds, process.deliveries, process.lineFeeds, expectedLineFeeds);
#endif
    }
    if (!ours.empty())
        std::printf("median TJvCreateProcess %.1f MB/s, CPU %.3f s (child included)\n", Median(ours), Median(oursCpu));
#ifdef ONDREVO_BENCH_WITH_QT
    if (!qt.empty())
        std::printf("median QProcess         %.1f MB/s, CPU %.3f s (child included)\n", Median(qt), Median(qtCpu));
    if (!ours.empty() && !qt.empty()) {
        std::printf(
            "ratio TJvCreateProcess / QProcess = %.2f (throughput, higher is better)\n", Median(ours) / Median(qt));
        std::printf(
            "CPU ratio TJvCreateProcess / QProcess = %.2f (lower is better)\n", Median(oursCpu) / Median(qtCpu));
    }
#else
    std::printf("built without Qt: no QProcess comparison\n");
#endif
    return 0;
}
