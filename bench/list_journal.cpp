// Cost of journaling the file list during a batch, on a real database file in a
// temporary folder: each row is appended, then converting (with progress lines that
// change only its percent), then converted, each step one controller as in the program.
// Prints the time the UI thread spends per row and the total time until the journal's
// writer has written everything. For comparison, a shorter batch waits for each change
// to be written: what writing on the UI thread would cost, and the writer's time in a
// real batch, where changes come seconds apart and each gets a transaction of its own.
// Asserts nothing.
//
//   build/bench/list_journal [rows] [progress lines per row] [rows waited for]

#include "app/JournaledFileList.h"
#include "parameters/ListJournal.h"
#include "parameters/TSqlDatMod.h"
#include "support/MemoryControls.h"
#include "support/TempDir.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace ondrevo;
using namespace ondrevo::testing;
using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Run {
    double uiMs = 0; // time spent in the controllers' list calls and commits
    double totalMs = 0; // until everything is written
    unsigned transactions = 0;
};

// One batch over `rows` rows; `waitEachChange` waits for each change to be written.
Run Batch(int rows, int progressLines, bool waitEachChange)
{
    TempDir dir;
    const std::string db = dir.File("LibFFmpeg.Dat");
    CopyShippedDatabase(db);
    TSqlDatMod dataModule(db);
    ListJournal& journal = dataModule.Journal();
    MemoryFileList window;
    BatchModel model;
    const unsigned before = WriteTransactions(db);

    Run run;
    const Clock::time_point start = Clock::now();
    const auto action = [&](auto&& body) {
        const Clock::time_point t = Clock::now();
        {
            JournaledFileList list(window, journal, model);
            body(list);
        }
        run.uiMs += Milliseconds(Clock::now() - t);
        if (waitEachChange)
            journal.Flush();
    };
    for (int row = 0; row < rows; ++row)
        action([&](IFileList& list) {
            list.AppendRow(
                "/home/user/Videos/clip " + std::to_string(row) + ".mp4", 15, { "mp4", "12.4 MiB", "00:03:20", "0%" });
        });
    for (int row = 0; row < rows; ++row) {
        action([&](IFileList& list) {
            list.SetImageIndex(row, 3);
            list.SetRowHint(row, "");
        });
        for (int line = 1; line <= progressLines; ++line)
            action([&](IFileList& list) { list.SetSubItem(row, 3, std::to_string(line * 100 / progressLines) + "%"); });
        action([&](IFileList& list) { list.SetImageIndex(row, 11); });
    }
    journal.Flush();
    run.totalMs = Milliseconds(Clock::now() - start);
    run.transactions = WriteTransactions(db) - before;
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int progressLines = argc > 2 ? std::atoi(argv[2]) : 10;
    // Each waited change costs the disk's flushes: fewer rows keep the run short.
    const int waitedRows = argc > 3 ? std::atoi(argv[3]) : 100;
    const int changes = 3 * rows;
    std::printf("file-list journal: %d rows, each appended, converting (%d progress lines), converted: %d changes\n",
        rows, progressLines, changes);

    const Run queued = Batch(rows, progressLines, false);
    std::printf("queued to the writer thread (as the program does):\n");
    std::printf("  UI thread: %.1f us per row, %.1f ms in all\n", 1000 * queued.uiMs / rows, queued.uiMs);
    std::printf("  writes:    %.1f ms in all until written, %u transactions (%.1f changes each), %.2f ms per row\n",
        queued.totalMs, queued.transactions, static_cast<double>(changes) / queued.transactions, queued.totalMs / rows);

    const Run waited = Batch(waitedRows, progressLines, true);
    std::printf("each change waited for, %d rows (one transaction per change, as in a real batch):\n", waitedRows);
    std::printf("  %.1f ms in all, %u transactions, %.2f ms per transaction, %.2f ms per row\n", waited.totalMs,
        waited.transactions, waited.totalMs / waited.transactions, waited.totalMs / waitedRows);
    return 0;
}
