// Throughput of the process runner on encoder-like progress text, against QProcess, on
// the event loop the program uses. A child writes N MiB of CR-ended progress lines (an
// LF line now and then). Both sides run on Qt's event loop (our runner through
// QtEventLoop) and hand every line to the same handler: ours through OnRead, QProcess
// through readyRead + readAll cut into the same 1024-byte pieces and the same line
// parser. The child sets its output pipe to the same size for both. Rounds alternate
// which side goes first, and a round whose line count falls short (output dropped) or
// whose child failed is rejected. Prints figures, medians and ratios; asserts nothing.
//
//   runner_throughput [MiB=100] [rounds=5] [pipe KiB=1024] [ours|qt]
//
// The last argument runs one side only (for profiling).
// Built without Qt it measures our runner alone, on the plain loop.

#include "ProgressText.h"

#include "process/TJvCreateProcess.h"
#include "process/TJvLineParser.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <vector>

#ifdef ONDREVO_BENCH_WITH_QT
#include "app/qt/QtEventLoop.h"
#include <QtCore/QCoreApplication>
#include <QtCore/QProcess>
#else
#include "base/PlainEventLoop.h"
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

// What both sides hand their lines to: the program's read handler looks at each line's
// text; this one counts them and keeps their bytes from being optimised away.
struct LineSink {
    void operator()(const std::string& line, bool startsOnNewLine)
    {
        ++deliveries;
        characters += line.size();
        if (startsOnNewLine)
            ++lineStarts;
    }
    // Each delivery that starts a new line follows an LF, except the very first one.
    std::size_t LineFeeds() const { return lineStarts > 0 ? lineStarts - 1 : 0; }

    std::size_t deliveries = 0;
    std::size_t lineStarts = 0;
    std::size_t characters = 0;
};

struct Result {
    double seconds = 0;
    double cpuSeconds = 0;
    LineSink sink;
    std::uint32_t exitCode = 0;
};

std::vector<std::string> ChildArguments(const std::string& self, std::size_t bytes, int pipeBytes)
{
    return { self, "--child-progress", std::to_string(bytes), std::to_string(pipeBytes) };
}

Result RunOurs(IEventLoop& loop, const std::vector<std::string>& child)
{
    TJvCreateProcess runner(loop);
    runner.SetConsoleOptions(coOwnerData | coRedirect);
    Result result;
    bool ended = false;
    runner.OnRead
        = [&](TJvCreateProcess&, const std::string& line, bool startsOnNewLine) { result.sink(line, startsOnNewLine); };
    runner.OnTerminate = [&](TJvCreateProcess&, std::uint32_t exitCode) {
        result.exitCode = exitCode;
        ended = true;
        loop.Quit();
    };
    runner.SetCommandLine(child);
    const auto started = Clock::now();
    const double cpuStarted = CpuSeconds();
    runner.Run();
    while (!ended)
        loop.Run();
    result.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    result.cpuSeconds = CpuSeconds() - cpuStarted;
    return result;
}

#ifdef ONDREVO_BENCH_WITH_QT
Result RunQProcess(const std::vector<std::string>& child)
{
    Result result;
    TJvLineParser parser;
    const TJvLineParser::Deliver deliver = [&](const std::string& line, bool startsOnNewLine) {
        result.sink(line, startsOnNewLine);
        return true;
    };
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    const auto take = [&] {
        const QByteArray data = process.readAll();
        for (qsizetype at = 0; at < data.size(); at += 1024)
            parser.Parse(
                data.constData() + at, static_cast<std::size_t>(std::min<qsizetype>(1024, data.size() - at)), deliver);
    };
    QObject::connect(&process, &QProcess::readyReadStandardOutput, take);
    QObject::connect(&process, &QProcess::finished, [&](int exitCode, QProcess::ExitStatus status) {
        take();
        parser.Finish(deliver);
        result.exitCode = status == QProcess::NormalExit ? static_cast<std::uint32_t>(exitCode) : 0x100;
        QCoreApplication::quit();
    });
    QStringList arguments;
    for (std::size_t i = 1; i < child.size(); ++i)
        arguments << QString::fromStdString(child[i]);
    const auto started = Clock::now();
    const double cpuStarted = CpuSeconds();
    process.start(QString::fromStdString(child[0]), arguments);
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

struct Side {
    const char* name;
    std::vector<double> rates, cpu;
    int rejected = 0;

    void Record(const Result& result, double megabytes, std::size_t expectedLineFeeds)
    {
        const bool whole = result.exitCode == 0 && result.sink.LineFeeds() == expectedLineFeeds;
        std::printf("  %-16s %7.1f MB/s  (%.3f s, CPU %.3f s, %zu line deliveries, LF %zu/%zu)%s\n", name,
            megabytes / result.seconds, result.seconds, result.cpuSeconds, result.sink.deliveries,
            result.sink.LineFeeds(), expectedLineFeeds, whole ? "" : "  REJECTED: output lost or child failed");
        if (!whole) {
            ++rejected;
            return;
        }
        rates.push_back(megabytes / result.seconds);
        cpu.push_back(result.cpuSeconds);
    }

    void PrintMedian() const
    {
        if (rates.empty())
            std::printf("%-16s no valid round (%d rejected)\n", name, rejected);
        else
            std::printf("median %-16s %7.1f MB/s, CPU %.3f s (child included), %zu rounds, %d rejected\n", name,
                Median(rates), Median(cpu), rates.size(), rejected);
    }
};

// The child: sets its output pipe to the size asked for, so that both sides read
// through the same pipe capacity, then writes the progress text.
int ChildMain(std::size_t bytes, int pipeBytes)
{
    if (::fcntl(1, F_SETPIPE_SZ, pipeBytes) < 0 || ::fcntl(1, F_GETPIPE_SZ) != pipeBytes)
        return 3;
    return bench::WriteProgress(bytes);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 4 && std::string(argv[1]) == "--child-progress")
        return ChildMain(std::stoull(argv[2]), std::stoi(argv[3]));
    const std::size_t mib = argc >= 2 ? std::stoull(argv[1]) : 100;
    const int rounds = argc >= 3 ? std::max(1, std::stoi(argv[2])) : 5;
    const int pipeBytes = (argc >= 4 ? std::stoi(argv[3]) : 1024) * 1024;
    const std::string only = argc >= 5 ? argv[4] : "";
    const std::size_t bytes = mib << 20;
    const auto child = ChildArguments(bench::SelfPath(), bytes, pipeBytes);
    const std::size_t expectedLineFeeds = bench::ProgressLineFeeds(bytes);
    const double megabytes = static_cast<double>(bytes) / 1e6;
    std::printf("child writes %zu MiB of progress text (%zu LF lines) into a %d KiB pipe, %d rounds each\n", mib,
        expectedLineFeeds, pipeBytes / 1024, rounds);

    Side ours { "TJvCreateProcess", {}, {} };
#ifdef ONDREVO_BENCH_WITH_QT
    int qtArgc = 1;
    QCoreApplication application(qtArgc, argv);
    QtEventLoop loop;
    Side qt { "QProcess", {}, {} };
    std::printf("both on Qt's event loop, lines delivered to the same handler\n");
    for (int round = 0; round < rounds; ++round) {
        // Alternate the order, so that neither side always meets a cold or warm machine.
        for (int turn = 0; turn < 2; ++turn) {
            if ((round + turn) % 2 == 0) {
                if (only != "qt")
                    ours.Record(RunOurs(loop, child), megabytes, expectedLineFeeds);
            } else if (only != "ours") {
                qt.Record(RunQProcess(child), megabytes, expectedLineFeeds);
            }
        }
    }
    ours.PrintMedian();
    qt.PrintMedian();
    if (!ours.rates.empty() && !qt.rates.empty()) {
        std::printf("ratio TJvCreateProcess / QProcess = %.2f (throughput, higher is better)\n",
            Median(ours.rates) / Median(qt.rates));
        std::printf(
            "CPU ratio TJvCreateProcess / QProcess = %.2f (lower is better)\n", Median(ours.cpu) / Median(qt.cpu));
    }
#else
    PlainEventLoop loop;
    for (int round = 0; round < rounds; ++round)
        ours.Record(RunOurs(loop, child), megabytes, expectedLineFeeds);
    ours.PrintMedian();
    std::printf("built without Qt: our runner on the plain loop, no QProcess comparison\n");
#endif
    return 0;
}
