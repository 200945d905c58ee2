// Memory of a long file list and of a long batch, in this process's resident and
// proportional set size (RSS and PSS, from /proc/self/smaps_rollup), with the in-memory
// window (its list keeps the rows' texts like the widget would; the widget's own
// costs are not part of this):
//   1. the list with many rows against the empty list, the media library loaded and
//      the adder's threads made before (a two-file drop, then Clear);
// with, beside RSS and PSS, the bytes malloc has handed out and not had back (mallinfo2),
// which tells memory still in use apart from free heap malloc keeps (PSS also moves
// when other processes start or stop sharing the same libraries);
//   2. ten cycles of dropping a folder of files and Clear: after the last cycle against
//      after the first, then what is left once malloc has given back its free pages
//      (malloc_trim), which tells free heap apart from memory still in use;
//   3. a batch of 1 s clips with two files at once: memory when the batch starts row
//      100 and when it starts its last row. This one runs an encoder per row; give a
//      smaller row count (at least 101) for a shorter run, or 0 to leave it out.
// Asserts nothing.
//
//   build/bench/list_memory [rows] [batch rows] [files per cycle] [cycles]

#include "BatchProgram.h"

#include "base/IntegerText.h"
#include "media/MediaQuery.h"

#include <algorithm>
#include <malloc.h>
#include <thread>

namespace {

using namespace ondrevo;
using namespace ondrevo::bench;
namespace fs = std::filesystem;

// A folder of `count` hard links to `clips`, in turn.
fs::path LinkFolder(const fs::path& folder, const std::vector<std::string>& clips, int count)
{
    fs::create_directories(folder);
    for (int n = 0; n < count; ++n) {
        const std::string& clip = clips[static_cast<std::size_t>(n) % clips.size()];
        char name[32];
        std::snprintf(name, sizeof name, "file%05d", n);
        fs::create_hard_link(clip, folder / (name + fs::path(clip).extension().string()));
    }
    return folder;
}

void Print(const char* what, const Memory& memory)
{
    std::printf(
        "  %-52s RSS %7.2f MB  PSS %7.2f MB  heap in use %7.3f MB\n", what, memory.rssMb, memory.pssMb, memory.heapMb);
}

void PrintDifference(const char* what, const Memory& later, const Memory& earlier, const char* target)
{
    std::printf("  %-52s RSS %+7.2f MB  PSS %+7.2f MB  heap in use %+7.3f MB  (%s)\n", what,
        later.rssMb - earlier.rssMb, later.pssMb - earlier.pssMb, later.heapMb - earlier.heapMb, target);
}

} // namespace

int main(int argc, char** argv)
{
    const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const int batchRows = argc > 2 ? std::max(0, std::atoi(argv[2])) : 1000;
    const int perCycle = argc > 3 ? std::max(1, std::atoi(argv[3])) : 100;
    const int cycles = argc > 4 ? std::max(2, std::atoi(argv[4])) : 10;

    BatchProgram program;
    testing::Session& session = *program.session;
    testing::MemoryMainWindow& window = session.window;
    const auto drop = [&](const fs::path& folder, int count) {
        session.Event([&](TFFmpegFrmHandlers& h) { h.FileListViewDragDrop({ folder.string() }); });
        session.loop.RunUntil(
            [&] { return window.fileList.RowCount() == count && !window.adder.Running(); }, std::chrono::minutes(10));
        session.loop.Drain();
        if (window.fileList.RowCount() != count)
            std::fprintf(stderr, "only %d of %d rows were added\n", window.fileList.RowCount(), count);
    };
    const auto clear = [&] {
        session.Event([](TFFmpegFrmHandlers& h) { h.ClearFileBtnClick(); });
        session.loop.Drain();
    };

    std::vector<std::string> clips;
    for (const char* name : { "a.mp4", "b.avi", "c.mkv" }) {
        clips.push_back(program.dir.File(name));
        if (!MakeClip(clips.back(), 1, "320x240", false))
            return 1;
    }
    const fs::path two = LinkFolder(program.dir.Path() / "two", clips, 2);
    const fs::path many = LinkFolder(program.dir.Path() / "many", clips, rows);
    const fs::path cycle = LinkFolder(program.dir.Path() / "cycle", clips, perCycle);

    std::printf("1. %d rows against the empty list\n", rows);
    Print("program shown, nothing added yet", MemoryNow());
    drop(two, 2);
    clear();
    const Memory empty = MemoryNow();
    Print("empty list (library loaded, adder used once)", empty);
    drop(many, rows);
    const Memory full = MemoryNow();
    Print("after the drop", full);
    PrintDifference("rows against the empty list", full, empty, "target: at most 10 MB more");
    const auto clearStart = Clock::now();
    clear();
    const double clearMs = Milliseconds(Clock::now() - clearStart);
    Print("after Clear", MemoryNow());
    std::printf("  Clear of %d rows took %.2f ms\n", rows, clearMs);

    std::printf("\n2. %d cycles of dropping %d files and Clear\n", cycles, perCycle);
    Memory first;
    for (int n = 1; n <= cycles; ++n) {
        drop(cycle, perCycle);
        clear();
        const Memory now = MemoryNow();
        if (n == 1)
            first = now;
        std::printf(
            "  cycle %2d: RSS %7.2f MB  PSS %7.2f MB  heap in use %7.3f MB\n", n, now.rssMb, now.pssMb, now.heapMb);
    }
    const Memory last = MemoryNow();
    PrintDifference("after the last cycle against after the first", last, first, "target: within 2 MB");
    malloc_trim(0);
    const Memory trimmed = MemoryNow();
    Print("after malloc_trim(0): in use", trimmed);
    PrintDifference("free heap malloc kept", last, trimmed, "given back by malloc_trim");

    if (batchRows == 0)
        return 0;
    std::printf("\n3. a batch of %d clips of 1 s, two files at once\n", batchRows);
    const fs::path batch = LinkFolder(program.dir.Path() / "batch", clips, batchRows);
    drop(batch, batchRows);
    window.filesAtOnceSpin.UserSets(2);
    const int middle = std::min(100, batchRows - 1);
    Memory atMiddle, atLast;
    bool middleSeen = false, lastSeen = false;
    const auto start = Clock::now();
    session.Event([](TFFmpegFrmHandlers& h) { h.ConvFileBtnClick(); });
    session.loop.RunUntil(
        [&] {
            const int cursor = StrToInt(window.jvEditNumb.Text());
            if (!middleSeen && cursor >= middle) {
                middleSeen = true;
                atMiddle = MemoryNow();
            }
            if (!lastSeen && cursor >= batchRows - 1) {
                lastSeen = true;
                atLast = MemoryNow();
            }
            return window.addFileBtn.enabled && !window.encoders.AnyBusy();
        },
        std::chrono::hours(3));
    const Memory ended = MemoryNow();
    std::printf(
        "  %.1f s, %.1f ms per row\n", Seconds(Clock::now() - start), 1000 * Seconds(Clock::now() - start) / batchRows);
    char label[64];
    std::snprintf(label, sizeof label, "starting row %d", middle);
    Print(label, atMiddle);
    std::snprintf(label, sizeof label, "starting row %d (the last)", batchRows - 1);
    Print(label, atLast);
    Print("after the batch", ended);
    PrintDifference("last row against row 100", atLast, atMiddle, "target: within 2 MB");
    return 0;
}
