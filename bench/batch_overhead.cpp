// Time of a whole batch through Ondrevo's batch driver (in-memory window, real runner,
// real encoder, the details and name queries of every job) against the same encoder
// argument lists run back to back without Ondrevo (output to /dev/null), in one run,
// alternating which goes first. Prints the times and the ratio; asserts nothing.
//
//   build/bench/batch_overhead [clips] [seconds per clip] [rounds]

#include "app/TFFmpegFunc.h"
#include "base/CharacterType.h"
#include "base/ProgramFolder.h"
#include "process/TJvCreateProcess.h"
#include "support/Clip.h"
#include "support/Command.h"
#include "support/MemoryControls.h"
#include "support/TempDir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

using namespace ondrevo;
using namespace ondrevo::testing;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

} // namespace

int main(int argc, char** argv)
{
    const int clips = argc > 1 ? std::atoi(argv[1]) : 10;
    const double clipSeconds = argc > 2 ? std::atof(argv[2]) : 10;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
    EnsureUtf8CharacterType();

    TempDir dir;
    const fs::path program = dir.Path() / "program";
    fs::create_directories(program / "bin");
    fs::create_directories(program / "FFOutput");
    fs::create_symlink("/usr/bin/ffmpeg", program / "bin" / "ffmpeg");
    CopyShippedDatabase((program / "LibFFmpeg.Dat").string());
    SetProgramFolderForTesting(program.string());
    Session session((program / "LibFFmpeg.Dat").string());
    session.Show();

    std::printf("generating %d clips of %.0f s ...\n", clips, clipSeconds);
    for (int n = 0; n < clips; ++n) {
        const std::string path = dir.File("clip" + std::to_string(n) + ".mp4");
        GenerateClip(path, clipSeconds);
        session.window.openDialog.answers.push_back(path);
        session.Event([](TFFmpegFrmHandlers& h) { h.AddFileBtnClick(); });
    }
    // The argument lists the batch builds, taken once through the controller.
    std::vector<std::vector<std::string>> commands;
    for (int n = 0; n < clips; ++n) {
        session.window.jvEditNumb.OnChange = nullptr;
        session.window.jvEditNumb.SetText(std::to_string(n));
        commands.push_back(TFFmpegFunc().BuildCommandLine());
    }
    session.window.jvEditNumb.SetText("-1");
    session.window.jvEditNumb.OnChange = [&session] { session.window.handlers.JvEditNumbChange(); };

    const auto batch = [&] {
        const auto start = Clock::now();
        session.Event([](TFFmpegFrmHandlers& h) { h.ConvFileBtnClick(); });
        session.loop.RunUntil(
            [&] {
                return session.window.addFileBtn.enabled && session.window.runner.State() == TJvProcessState::psReady;
            },
            std::chrono::hours(1));
        return Seconds(Clock::now() - start);
    };
    const auto direct = [&] {
        const auto start = Clock::now();
        for (const auto& command : commands)
            RunCommand(command, "/dev/null");
        return Seconds(Clock::now() - start);
    };

    std::vector<double> ratios;
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
        std::printf("round %d (%s first): batch %.2f s, encoder alone %.2f s, ratio %.3f\n", round + 1,
            round % 2 == 0 ? "batch" : "encoder", ours, theirs, ours / theirs);
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("median ratio batch / encoder alone: %.3f (target: at most 1.02)\n", ratios[ratios.size() / 2]);
    SetProgramFolderForTesting("");
    return 0;
}
