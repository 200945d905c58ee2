// The file list's journal in the program: the list of a program that ended without Quit
// comes back at the next start, a list after Quit does not, and progress lines write
// nothing. Other copies of the program are forked children on the same database file.

#include "app/JournaledFileList.h"
#include "app/Startup.h"
#include "base/UsableCores.h"
#include "parameters/ListJournal.h"
#include "support/MemoryControls.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace ondrevo::testing {
namespace {

class FileListJournal : public ::testing::Test {
protected:
    FileListJournal() { CopyShippedDatabase(db); }

    // Puts the five rows into the window's list through the controller's journaled list,
    // added first and then brought to their state, as a batch does.
    static void FillFiveRows(MemoryMainWindow& window, TSqlDatMod& dataModule)
    {
        JournaledFileList list(window.fileList, dataModule.Journal());
        for (const JournalRow& row : FiveListRows()) {
            list.AppendRow(row.caption, 15, { row.subItems.begin(), row.subItems.end() });
            list.SetImageIndex(row.position, row.imageIndex);
            list.SetRowHint(row.position, row.hint);
        }
    }

    TempDir dir;
    const std::string db = dir.File("LibFFmpeg.Dat");
    ErrorReports reports;
};

TEST_F(FileListJournal, AKilledProgramsListComesBackAtTheNextStartButNotWhileItStillRuns)
{
    ForkedChild first(
        [&] {
            Session s(db);
            s.Show();
            FillFiveRows(s.window, s.dataModule);
            s.dataModule.Journal().Flush();
            return std::string();
        },
        true);
    EXPECT_EQ(first.Result(), "");
    {
        Session second(db);
        second.Show();
        EXPECT_EQ(second.window.fileList.RowCount(), 0) << "a running program's list stays its own";
        EXPECT_EQ(second.window.jvEditCmdMsg.Text(), "");
    }
    first.Kill();

    Session next(db);
    next.Show();
    std::vector<JournalRow> expected = FiveListRows();
    expected[1].imageIndex = 15; // it was converting: waiting again
    expected[1].hint = kInterruptedHint;
    EXPECT_EQ(ListRows(next.window.fileList), expected);
    EXPECT_EQ(next.window.jvEditCmdMsg.Text(), "The list of the last session was restored");
    EXPECT_TRUE(reports.messages.empty());
}

// Start-up steps that fail (a table missing, here the first one's) keep none of the
// others from running: the list still comes back and the count gets its range.
TEST_F(FileListJournal, AFailingStartUpStepStillRestoresTheListAndSetsTheFilesAtOnceRange)
{
    ForkedChild killed(
        [&] {
            Session s(db);
            s.Show();
            FillFiveRows(s.window, s.dataModule);
            s.dataModule.Journal().Flush();
            return std::string();
        },
        true);
    EXPECT_EQ(killed.Result(), "");
    killed.Kill();
    ExecuteSql(db, "drop table cmbex_vdocodec");

    Session next(db);
    next.Show();
    ASSERT_EQ(reports.messages.size(), 1u);
    EXPECT_EQ(reports.messages[0].rfind("no such table: cmbex_vdocodec.", 0), 0u) << reports.messages[0];
    EXPECT_EQ(next.window.fileList.RowCount(), 5);
    EXPECT_EQ(next.window.jvEditCmdMsg.Text(), "The list of the last session was restored");
    EXPECT_EQ(next.window.spinAtOnce.maximum, static_cast<int>(UsableCores()));
}

TEST_F(FileListJournal, AfterQuitTheNextStartShowsAnEmptyList)
{
    ForkedChild quitting([&] {
        WorkingDirectory cwd(dir.Path());
        PlainEventLoop loop;
        StartupEnvironment environment;
        environment.loop = &loop;
        environment.createMainWindow = [&]() -> std::shared_ptr<void> {
            auto window = std::make_shared<MemoryMainWindow>(loop);
            window->Event([](TFFmpegFrmHandlers& h) { h.FormShow(); });
            FillFiveRows(*window, *SqlDatMod);
            window->Event([](TFFmpegFrmHandlers& h) { h.QuitBtnClick(); });
            return window;
        };
        return std::to_string(RunStartup(environment));
    });
    EXPECT_EQ(quitting.Result(), "0");

    Session next(db);
    next.Show();
    EXPECT_EQ(next.window.fileList.RowCount(), 0);
    EXPECT_EQ(next.window.jvEditCmdMsg.Text(), "");
    EXPECT_EQ(QueryValue(db, "select count(*) from filelist_journal"), "0");
}

TEST_F(FileListJournal, ProgressLinesWriteNothingAndThePercentGoesWithTheRowsNextChange)
{
    Session s(db);
    s.Show();
    s.window.fileList.AppendRow("/clips/a.mp4", 3, { "mp4", "1 MiB", "00:00:10", "0%" });
    s.window.jvEditNumb.OnChange = nullptr; // the cursor names row 0 without starting an encoder
    s.window.jvEditNumb.SetText("0");
    const auto read = [&](const std::string& line) {
        s.Event([&](TFFmpegFrmHandlers& h) { h.JvCreateProcessRead(line, true); });
        s.dataModule.Journal().Flush();
    };
    const unsigned before = WriteTransactions(db);
    for (int second = 1; second <= 4; ++second)
        read("frame=  100 fps=25 q=2.0 size=  100kB time=00:00:0" + std::to_string(second) + ".00 bitrate=80kbits/s");
    EXPECT_EQ(s.window.fileList.SubItem(0, 3), "40%");
    EXPECT_EQ(WriteTransactions(db), before);

    // Nor do the encoder's other lines, however many a damaged source prints.
    read("[aac @ 0x55] Too many bits per frame");
    read("[h264 @ 0x56] error while decoding MB 3 4");
    EXPECT_EQ(WriteTransactions(db), before);
    {
        JournaledFileList list(s.window.fileList, s.dataModule.Journal());
        list.SetImageIndex(0, 11);
    }
    s.dataModule.Journal().Flush();
    EXPECT_EQ(WriteTransactions(db), before + 1);
    EXPECT_EQ(QueryValue(db, "select file_percent, file_image from filelist_journal"), "40%|11");
}

// The shipped file is one from before the journal: it opens as it is, and the journal's
// tables come with the first write that gets through.
TEST_F(FileListJournal, RowsAddedWhileTheFileWasLockedAreWrittenWithTheNextChange)
{
    Session s(db);
    s.dataModule.SetBusyTimeout(std::chrono::milliseconds(50));
    s.Show();
    {
        LockHolder lock(db);
        FillFiveRows(s.window, s.dataModule);
        s.dataModule.Journal().Flush();
    }
    EXPECT_EQ(QueryValue(db, "select count(*) from sqlite_master where name = 'filelist_journal'"), "0");
    {
        JournaledFileList list(s.window.fileList, s.dataModule.Journal());
        list.SetImageIndex(0, 3);
    }
    s.dataModule.Journal().Flush();
    EXPECT_EQ(QueryValue(db, "select count(*) from filelist_journal"), "5");
    EXPECT_TRUE(reports.messages.empty());
}

} // namespace
} // namespace ondrevo::testing
