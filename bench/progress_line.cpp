// Cost on the UI thread of one encoder progress line: the runner's parsing of a piece
// of output into the line, and the engine telling the window (in-memory controls) the
// row's percent and the status line. Target: 5 microseconds or less per line.

#include "conversion/BatchEngine.h"
#include "process/TJvLineParser.h"
#include "support/MemoryControls.h"
#include "support/TempDir.h"

#include <benchmark/benchmark.h>

namespace {

using namespace ondrevo;
using namespace ondrevo::testing;

void ProgressLine(benchmark::State& state)
{
    TempDir dir;
    Session session(dir.File("LibFFmpeg.Dat"));
    session.window.fileList.AppendRow("/clips/a.mp4", 3, { "mp4", "1.00MB", "00:10:00", "0%" });
    session.window.batch.Append("/clips/a.mp4", 600000);
    GiveJob(session.window, 0, 0);
    BatchEngine& engine = session.window.Engine();
    TJvLineParser parser;
    std::string piece = "frame=  152 fps=0.0 q=27.0 size=     120kB time=00:00:10.03 bitrate=  98.0kbits/s dup=0 "
                        "drop=98 speed=19.9x    \r";
    const std::size_t seconds = piece.find("time=") + 5 + 6;
    int second = 0;
    for (auto _ : state) {
        // Each line reports another time, as the encoder's do.
        piece[seconds] = static_cast<char>('0' + second % 6);
        piece[seconds + 1] = static_cast<char>('0' + second % 10);
        ++second;
        parser.Parse(piece.data(), piece.size(), [&engine](const std::string& line, bool) {
            engine.EncoderLine(0, line);
            return true;
        });
    }
    benchmark::DoNotOptimize(session.window.fileList.rows[0].subItems[3]);
}
BENCHMARK(ProgressLine)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
