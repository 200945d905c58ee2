// Time of a whole batch through Ondrevo's batch driver (in-memory window, real runner,
// real encoder, the details and name queries of every job) against the same encoder
// argument lists run back to back without Ondrevo, in one run, alternating which goes
// first. Prints the times and the ratio, and the batch's own cost per job: the time
// outside the encoder runs (media queries, spawning, list updates) as the wall time
// over the encoders' alone, as this process's CPU time (all its threads, without the
// encoders) and as the UI thread's CPU time, each divided by the jobs; then the media
// query a job runs at its start (for the details panel and the playing time) and the
// reading of an output's length that only a run reporting too little written needs,
// each timed alone on the same files. Asserts nothing.
//
//   build/bench/batch_overhead [clips] [seconds per clip] [rounds]

#include "BatchProgram.h"

#include "app/TFFmpegFunc.h"
#include "conversion/CommandLine.h"
#include "media/FileList.h"
#include "process/TJvCreateProcess.h"
#include "support/Clip.h"
#include "support/Command.h"
#include "support/MemoryControls.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace ondrevo;
using namespace ondrevo::testing;
using bench::BatchProgram;
using bench::Clock;
using bench::Seconds;

} // namespace

int main(int argc, char** argv)
{
    const int clips = argc > 1 ? std::atoi(argv[1]) : 10;
    const double clipSeconds = argc > 2 ? std::atof(argv[2]) : 10;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 3;

    BatchProgram program;
    Session& session = *program.session;

    std::printf("generating %d clips of %.0f s ...\n", clips, clipSeconds);
    for (int n = 0; n < clips; ++n) {
        const std::string path = program.dir.File("clip" + std::to_string(n) + ".mp4");
        GenerateClip(path, clipSeconds);
        session.window.openDialog.answers.push_back(path);
        session.Event([](TFFmpegFrmHandlers& h) { h.AddFileBtnClick(); });
    }
    const std::vector<std::vector<std::string>> commands = program.RowCommandLines(clips);

    double ownCpu = 0, uiCpu = 0; // of the batches, summed
    const auto batch = [&] {
        const double own = bench::OwnCpuSeconds();
        const double ui = bench::ThreadCpuSeconds();
        const auto start = Clock::now();
        session.Event([](TFFmpegFrmHandlers& h) { h.ConvFileBtnClick(); });
        session.loop.RunUntil(
            [&] {
                return session.window.addFileBtn.enabled && session.window.runner.State() == TJvProcessState::psReady;
            },
            std::chrono::hours(1));
        const double seconds = Seconds(Clock::now() - start);
        ownCpu += bench::OwnCpuSeconds() - own;
        uiCpu += bench::ThreadCpuSeconds() - ui;
        return seconds;
    };
    const auto direct = [&] {
        const auto start = Clock::now();
        for (const auto& command : commands)
            RunCommand(command, "/dev/null");
        return Seconds(Clock::now() - start);
    };

    std::vector<double> ratios, perJobMs;
    for (int round = 0; round < rounds; ++round) {
        double ours = 0, theirs = 0;
        if (round % 2 == 0) {
            ours = batch();
            theirs = direct();
        } else {
            theirs = direct();
            ours = batch();
        }
        ratios.push_back(ours / theirs);
        perJobMs.push_back(1000 * (ours - theirs) / clips);
        std::printf("round %d (%s first): batch %.2f s, encoder alone %.2f s, ratio %.3f\n", round + 1,
            round % 2 == 0 ? "batch" : "encoder", ours, theirs, ours / theirs);
    }
    std::sort(ratios.begin(), ratios.end());
    std::sort(perJobMs.begin(), perJobMs.end());
    std::printf("median ratio batch / encoder alone: %.3f (target: at most 1.02)\n", ratios[ratios.size() / 2]);
    const double jobs = static_cast<double>(clips) * rounds;
    std::printf("\nthe batch's own cost per job (target: at most 10 ms):\n");
    std::printf("  wall time over the encoder alone, median of rounds: %6.2f ms\n", perJobMs[perJobMs.size() / 2]);
    std::printf("  this process's CPU time, all threads:               %6.2f ms\n", 1000 * ownCpu / jobs);
    std::printf("  the UI thread's CPU time:                           %6.2f ms\n", 1000 * uiCpu / jobs);

    // The media queries of a job, one by one on the batch's own files.
    std::vector<std::string> sources, outputs;
    for (int n = 0; n < clips; ++n) {
        sources.push_back(session.window.fileList.Caption(n));
        outputs.push_back(program.OutputFolder() + "/clip" + std::to_string(n) + ".3gp");
    }
    // The median of several calls per file: the machine's other work shows as outliers.
    const auto perCall = [&](const std::vector<std::string>& paths, const auto& query) {
        std::vector<double> ms;
        for (const std::string& path : paths)
            query(path); // warm: the file in the page cache
        for (int r = 0; r < 5; ++r)
            for (const std::string& path : paths) {
                const auto start = Clock::now();
                query(path);
                ms.push_back(bench::Milliseconds(Clock::now() - start));
            }
        std::sort(ms.begin(), ms.end());
        return ms[ms.size() / 2];
    };
    MemoryDetailsPanel panel;
    const double start
        = perCall(sources, [&](const std::string& path) { file_list::ShowFacts(panel, file_list::ReadFacts(path)); });
    const double output = perCall(outputs, [](const std::string& path) { command_line::PlayingMilliseconds(path); });
    std::printf("  of which the source's media query, timed alone:    %6.2f ms\n", start);
    std::printf("    (details panel and playing time)\n");
    std::printf("  of which the rest (progress lines, list, start, end): %5.2f ms\n", 1000 * uiCpu / jobs - start);
    std::printf("  reading an output's playing time, timed alone:     %6.2f ms\n", output);
    std::printf("    (only for runs whose encoder reports too little written)\n");
    return 0;
}
