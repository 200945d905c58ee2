// The file list's journal in the program: the list of a program that ended without Quit
// comes back at the next start, one list at each start; a list after Quit does not, and
// progress lines write nothing. A journal that cannot write says so and writes later;
// rows it cannot give back as they were come back failed. Other copies of the program are
// forked children on the same database file.

#include "app/ConversionTestSupport.h"
#include "app/JournaledFileList.h"
#include "app/Startup.h"
#include "app/TFFmpegFunc.h"
#include "base/UsableCores.h"
#include "conversion/Batch.h"
#include "conversion/BatchModel.h"
#include "conversion/PartialOutput.h"
#include "parameters/ListJournal.h"
#include "support/Clip.h"
#include "support/MemoryControls.h"
#include "support/TempDir.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace ondrevo::testing {
namespace {

// Rows that live on the forked copies' own pages, each with a file of its own: a restored
// row needs its file.
std::vector<JournalRow> WithFiles(std::vector<JournalRow> rows, const TempDir& dir)
{
    for (JournalRow& row : rows) {
        row.caption = dir.File(std::filesystem::path(row.caption).filename().string());
        std::ofstream(row.caption) << "a source";
    }
    return rows;
}

// Each row's phase by its journal name and its reason: "failed Invalid data|stopped ...".
std::string PhasesAndReasons(const BatchModel& model)
{
    std::string text;
    for (int row = 0; row < model.Count(); ++row)
        text += std::string(row > 0 ? "|" : "") + PhaseName(model.Row(row).phase) + " " + model.Row(row).reason;
    return text;
}

std::vector<JournalRow> ConvertedRows(const std::string& prefix, int count, const TempDir& dir)
{
    std::vector<JournalRow> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back(
            { i, prefix + std::to_string(i) + ".mp4", batch::kEndedImage, { "mp4", "1 MiB", "00:00:05", "100%" }, "" });
    return WithFiles(rows, dir);
}

// Writes to files fail, as on a full disk, in the whole process while it lives or until
// Lift(): the file size limit is 0 (EFBIG rather than ENOSPC, with SIGXFSZ ignored).
class FullDisk {
public:
    FullDisk()
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit none = previous_;
        none.rlim_cur = 0;
        setrlimit(RLIMIT_FSIZE, &none);
    }
    ~FullDisk() { Lift(); }
    void Lift() { setrlimit(RLIMIT_FSIZE, &previous_); }

private:
    rlimit previous_ {};
};

class FileListJournal : public ::testing::Test {
protected:
    FileListJournal() { CopyShippedDatabase(db); }

    // Puts rows into the window's list through the controller's journaled list, added
    // first and then brought to their state, as a batch does.
    static void Fill(MemoryMainWindow& window, TSqlDatMod& dataModule, const std::vector<JournalRow>& rows)
    {
        JournaledFileList list(window.fileList, dataModule.Journal(), window.batch);
        for (const JournalRow& row : rows) {
            list.AppendRow(row.caption, batch::kWaitingImage, { row.subItems.begin(), row.subItems.end() });
            list.SetImageIndex(row.position, row.imageIndex);
            list.SetRowHint(row.position, row.hint);
        }
    }

    // Another copy of the program that shows its window, fills its list with `rows` and
    // runs until killed.
    std::unique_ptr<ForkedChild> RunningCopy(const std::vector<JournalRow>& rows)
    {
        auto copy = std::make_unique<ForkedChild>(
            [&] {
                Session s(db);
                s.Show();
                Fill(s.window, s.dataModule, rows);
                s.dataModule.Journal().Flush();
                return std::string();
            },
            true);
        EXPECT_EQ(copy->Result(), "");
        return copy;
    }

    // A change one event makes to the list.
    static void Change(Session& s, const std::function<void(IFileList&)>& edit)
    {
        JournaledFileList list(s.window.fileList, s.dataModule.Journal(), s.window.batch);
        edit(list);
    }

    TempDir dir;
    const std::string db = dir.File("LibFFmpeg.Dat");
    ErrorReports reports;
};

TEST_F(FileListJournal, AKilledProgramsListComesBackAtTheNextStartButNotWhileItStillRuns)
{
    const std::vector<JournalRow> rows = WithFiles(FiveListRows(), dir);
    const auto first = RunningCopy(rows);
    {
        Session second(db);
        second.Show();
        EXPECT_EQ(second.window.fileList.RowCount(), 0) << "a running program's list stays its own";
        EXPECT_EQ(second.window.jvEditCmdMsg.Text(), "");
    }
    first->Kill();

    Session next(db);
    next.Show();
    std::vector<JournalRow> expected = rows;
    expected[1].imageIndex = 15; // it was converting: waiting again
    expected[1].hint = kInterruptedHint;
    EXPECT_EQ(ListRows(next.window.fileList), expected);
    EXPECT_EQ(next.window.jvEditCmdMsg.Text(), RestoredText(0));
    EXPECT_EQ(next.window.batch.Row(1).phase, RowPhase::Interrupted);
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
            Fill(s.window, s.dataModule, FiveListRows());
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
    EXPECT_EQ(next.window.jvEditCmdMsg.Text(), RestoredText(0));
    EXPECT_EQ(next.window.filesAtOnceSpin.maximum, static_cast<int>(UsableCores()));
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
            Fill(*window, *SqlDatMod, WithFiles(FiveListRows(), dir));
            SqlDatMod->Journal().Flush();
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
    s.window.batch.Append("/clips/a.mp4", 10000);
    GiveJob(s.window, 0, 0); // row 0 on slot 0, without an encoder
    const auto read = [&](const std::string& line) {
        s.window.Engine().EncoderLine(0, line);
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
        JournaledFileList list(s.window.fileList, s.dataModule.Journal(), s.window.batch);
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
        Fill(s.window, s.dataModule, FiveListRows());
        s.dataModule.Journal().Flush();
    }
    EXPECT_EQ(QueryValue(db, "select count(*) from sqlite_master where name = 'filelist_journal'"), "0");
    {
        JournaledFileList list(s.window.fileList, s.dataModule.Journal(), s.window.batch);
        list.SetImageIndex(0, 3);
    }
    s.dataModule.Journal().Flush();
    EXPECT_EQ(QueryValue(db, "select count(*) from filelist_journal"), "5");
    EXPECT_TRUE(reports.messages.empty());
}

TEST_F(FileListJournal, TheListsOfTwoKilledCopiesComeBackOneAtEachStartTheNewestFirst)
{
    const std::vector<JournalRow> ten = ConvertedRows("a", 10, dir);
    const std::vector<JournalRow> one = ConvertedRows("b", 1, dir);
    {
        const auto copyA = RunningCopy(ten);
        const auto copyB = RunningCopy(one);
    } // both killed

    struct Start {
        std::vector<JournalRow> rows;
        std::string status;
    };
    const Start starts[] = {
        { one, RestoredText(1) },
        { ten, RestoredText(0) },
        { {}, "" },
    };
    for (const Start& start : starts) {
        Session s(db);
        s.Show();
        EXPECT_EQ(ListRows(s.window.fileList), start.rows);
        EXPECT_EQ(s.window.jvEditCmdMsg.Text(), start.status);
        s.dataModule.Journal().EndSession(); // Quit
    }
    EXPECT_EQ(QueryValue(db, "select count(*) from filelist_journal"), "0");
}

TEST_F(FileListJournal, OnAFullDiskTheStatusLineSaysOnceThatTheListIsNotKeptAndTheMissedChangesAreWrittenLater)
{
    std::vector<JournalRow> rows = ConvertedRows("clip", 30, dir);
    for (JournalRow& row : rows)
        row.imageIndex = batch::kWaitingImage;
    const std::string notKept = kListNotKeptMessage;
    const auto statusStartsWith = [](Session& s, const std::string& text) {
        return s.loop.RunUntil([&] { return s.window.jvEditCmdMsg.Text().starts_with(text); });
    };
    // A batch converts every row while the disk is full, and the last row is deleted;
    // space comes back after the batch, when nothing changes any more.
    ForkedChild batch(
        [&] {
            Session s(db);
            s.Show();
            s.dataModule.Journal().SetRetryDelay(std::chrono::milliseconds(50));
            Fill(s.window, s.dataModule, rows);
            s.dataModule.Journal().Flush();
            FullDisk full;
            for (int row = 0; row < 22; ++row)
                Change(s, [&](IFileList& list) { list.SetImageIndex(row, batch::kEndedImage); });
            std::string said = statusStartsWith(s, notKept) ? "said" : "silent";
            s.window.jvEditCmdMsg.SetText("ffmpeg's progress");
            for (int row = 22; row < 30; ++row)
                Change(s, [&](IFileList& list) { list.SetImageIndex(row, batch::kEndedImage); });
            Change(s, [](IFileList& list) { list.DeleteRow(29); });
            s.dataModule.Journal().Flush();
            s.loop.Drain(std::chrono::milliseconds(200));
            said += "|" + s.window.jvEditCmdMsg.Text();
            s.window.jvEditCmdMsg.SetText(notKept + "...");
            full.Lift();
            return said + "|" + (statusStartsWith(s, kListKeptAgainMessage) ? "kept again" : "not written");
        },
        true);
    EXPECT_EQ(batch.Result(), "said|ffmpeg's progress|kept again");
    batch.Kill();

    // A start while the disk is full again shows the list, says it is not kept, and takes
    // it over once space comes back: the next start shows it once, and no other.
    ForkedChild fullStart(
        [&] {
            FullDisk full;
            Session s(db);
            s.Show();
            s.dataModule.Journal().SetRetryDelay(std::chrono::milliseconds(50));
            std::string said = std::to_string(s.window.fileList.RowCount()) + " rows|";
            said += statusStartsWith(s, notKept) ? "said" : "silent";
            full.Lift();
            return said + "|" + (statusStartsWith(s, kListKeptAgainMessage) ? "kept again" : "not written");
        },
        true);
    EXPECT_EQ(fullStart.Result(), "29 rows|said|kept again");
    fullStart.Kill();

    Session next(db);
    next.Show();
    rows.pop_back();
    for (JournalRow& row : rows)
        row.imageIndex = batch::kEndedImage;
    EXPECT_EQ(ListRows(next.window.fileList), rows);
    EXPECT_EQ(next.window.jvEditCmdMsg.Text(), RestoredText(0));
    next.dataModule.Journal().Flush();
    EXPECT_EQ(QueryValue(db, "select count(*) from filelist_session"), "1");
    EXPECT_TRUE(reports.messages.empty());
}

// Through a real batch: a row that failed, and a stopped row whose encoder wrote nothing
// (its image stays, its hint changes when the encoder has ended).
TEST(FileListJournalBatch, AFailedRowsReasonAndAStoppedRowsStateComeBackAfterAKill)
{
    TempDir dir;
    ForkedChild copy(
        [&] {
            ConversionSession session(dir);
            const std::string broken = dir.File("broken.mp4");
            std::ofstream(broken) << "not a video";
            session.Add(broken);
            session.Add(session.Clip("stopped.mp4", 1));
            // For that one, the encoder waits for the stop command and ends without writing.
            WriteScript(session.programFolder + "/bin/ffmpeg",
                "case \"$*\" in *stopped.mp4*) head -c 1 >/dev/null; exit 0;; esac\nexec " ONDREVO_FFMPEG " \"$@\"");
            session.Convert();
            // Once its encoder runs (the start is read first).
            session.RunUntil([&] {
                return session.Phase(1) == RowPhase::Converting
                    && session.window.encoders.Job(0).life == JobLife::Running;
            });
            session.Stop();
            session.WaitUntilIdle();
            session.dataModule.Journal().Flush();
            return PhasesAndReasons(session.window.batch);
        },
        true);
    const std::string before = copy.Result();
    copy.Kill();
    EXPECT_EQ(before.rfind("failed ", 0), 0u) << before;
    EXPECT_NE(before.find("Invalid data found"), std::string::npos) << before;
    EXPECT_NE(before.find("|stopped Stopped before a playable part was written"), std::string::npos) << before;

    Session next((dir.Path() / "program" / "LibFFmpeg.Dat").string());
    next.Show();
    ASSERT_EQ(next.window.batch.Count(), 2);
    EXPECT_EQ(PhasesAndReasons(next.window.batch), before);
    // The image of a stopped row is a converted one's: the journal's phase tells them apart.
    const auto& rows = next.window.fileList.rows;
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(std::to_string(rows[1].image) + " " + rows[1].hint,
        std::to_string(batch::kEndedImage) + " " + next.window.batch.Row(1).reason);
}

TEST(FileListJournalBatch, RowsWithImpossibleValuesComeBackFailedWithTheReasonAndConvertRaisesNoBox)
{
    TempDir dir;
    ConversionSession session(dir);
    ErrorReports reports;
    const std::string clip = session.Clip("clip.mp4", 1);
    const std::string folder = dir.File("a folder.mp4");
    std::filesystem::create_directory(folder);
    struct Case {
        const char* what;
        std::string caption;
        std::string image; // as the cell holds it
        std::string time;
        RowPhase restored;
        std::string reason; // what it says
    };
    const Case cases[] = {
        { "as written", clip, "11", "00:00:01", RowPhase::Converted, "" },
        { "empty time", clip, "11", "", RowPhase::Failed, "no playing time (\"\")" },
        { "negative time", clip, "15", "-1:00:00", RowPhase::Failed, "no playing time" },
        { "time not a number", clip, "15", "0a:00:01", RowPhase::Failed, "no playing time" },
        { "unknown image", clip, "99", "00:00:01", RowPhase::Failed, "unknown state" },
        { "image not a number", clip, "'11x'", "00:00:01", RowPhase::Failed, "unknown state" },
        { "no file name", "", "15", "00:00:01", RowPhase::Failed, "named no file" },
        { "file gone", dir.File("gone.mp4"), "11", "00:00:01", RowPhase::Failed, ": No such file or directory" },
        { "not a file", folder, "11", "00:00:01", RowPhase::Failed, ": not a regular file" },
    };
    // The list of a program that was killed, its cells edited by hand afterwards.
    const std::string db = session.programFolder + "/LibFFmpeg.Dat";
    {
        ListJournal earlier(db, { "an earlier boot", 1, 1 });
        ListChange change { true, {} };
        for (const Case& c : cases)
            change.rows.push_back(
                { static_cast<int>(change.rows.size()), c.caption, 0, { "mp4", "20 KiB", "00:00:01", "100%" }, "" });
        earlier.Record(change);
    }
    for (std::size_t i = 0; i < std::size(cases); ++i)
        ExecuteSql(db,
            "update filelist_journal set file_image = " + cases[i].image + ", file_time = '" + cases[i].time
                + "' where file_pos = " + std::to_string(i));

    session.Event([](TFFmpegFrmHandlers&) { TFFmpegFunc().RestoreFileList(); });
    ASSERT_EQ(session.window.fileList.RowCount(), static_cast<int>(std::size(cases)));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const int row = static_cast<int>(i);
        EXPECT_EQ(session.Phase(row), c.restored) << c.what;
        if (c.reason.empty()) {
            EXPECT_EQ(session.Reason(row), "") << c.what;
        } else {
            EXPECT_NE(session.Reason(row).find(c.reason), std::string::npos) << c.what << ": " << session.Reason(row);
        }
    }
    // A playing time the batch can read, and the list keeps it for the next start.
    EXPECT_EQ(session.PlayingMilliseconds(1), (2 * 60 + 50) * 60 * 1000LL);
    EXPECT_EQ(session.window.fileList.SubItem(1, 2), "02:50:00");

    session.Convert();
    ASSERT_TRUE(session.WaitUntilIdle());
    EXPECT_EQ(session.Phase(1), RowPhase::Converted);
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

// A row's end, step by step: the encoder's part is written, written through to the disk,
// renamed to the output's name, and then the row's phase reaches the journal. A program
// killed between any two steps gets the row back as far as the disk says it got, and
// "Convert remaining rows" converts only what is not whole.
TEST(FileListJournalBatch, ARowKilledAtEachStepOfItsEndComesBackAsFarAsTheDiskSays)
{
    enum class Disk { PartOnly, Renamed, RenamedShort, EarlierOutput, Nothing };
    struct Case {
        const char* what;
        Disk disk;
        const char* phase; // as journaled
        int image;
        bool partNamed; // the journal names the row's files
        RowPhase restored;
        bool convertedAgain;
    };
    const Case cases[] = {
        { "part written", Disk::PartOnly, "converting", batch::kConvertingImage, true, RowPhase::Interrupted, true },
        { "part renamed", Disk::Renamed, "converting", batch::kConvertingImage, true, RowPhase::Converted, false },
        { "a stopped part renamed", Disk::RenamedShort, "converting", batch::kConvertingImage, true, RowPhase::Stopped,
            true },
        { "phase journaled", Disk::Renamed, "converted", batch::kEndedImage, true, RowPhase::Converted, false },
        { "stopped, phase journaled", Disk::Renamed, "stopped", batch::kEndedImage, true, RowPhase::Stopped, true },
        { "failed: the part went, an earlier output stays", Disk::EarlierOutput, "converting", batch::kConvertingImage,
            true, RowPhase::Interrupted, true },
        { "killed before the part was made", Disk::Nothing, "converting", batch::kConvertingImage, true,
            RowPhase::Interrupted, true },
        { "a journal that names no files", Disk::Renamed, "converting", batch::kConvertingImage, false,
            RowPhase::Interrupted, true },
    };
    for (const Case& c : cases) {
        TempDir dir;
        std::string output;
        std::string part;
        const auto prepare = [&](const std::string& db) {
            const std::filesystem::path folder = std::filesystem::path(db).parent_path() / "FFOutput";
            std::filesystem::create_directories(folder);
            output = (folder / "clip.3gp").string();
            part = (folder / ".clip.3gp.99999.ondrevo-part").string();
            // An MP4-family file as the encoder leaves it, 2 s of a 2 s source (1 s when stopped).
            GenerateClip(part + ".mp4", c.disk == Disk::RenamedShort ? 1 : 2);
            std::filesystem::rename(part + ".mp4", part);
            const std::string partId = PartialOutput::IdentityOf(part);
            if (c.disk == Disk::Renamed || c.disk == Disk::RenamedShort)
                std::filesystem::rename(part, output);
            if (c.disk == Disk::EarlierOutput) {
                std::filesystem::copy_file(part, output);
                std::filesystem::remove(part);
            }
            if (c.disk == Disk::Nothing)
                std::filesystem::remove(part);
            ListJournal killed(db, { "an earlier boot", 1, 1 });
            JournalRow row;
            row.caption = (dir.Path() / "clip.mp4").string();
            row.imageIndex = c.image;
            // The percent cell is journaled with the row's image: still short of the end while converting.
            row.subItems = { "mp4", "1 MiB", "00:00:02", c.image == batch::kConvertingImage ? "97%" : "100%" };
            row.phase = c.phase;
            if (c.partNamed) {
                row.output = output;
                row.part = part;
                row.partId = partId;
            }
            killed.Record({ true, { row }, { folder.string() } });
        };
        GenerateClip((dir.Path() / "clip.mp4").string(), 2);
        ConversionSession session(dir, prepare);
        ASSERT_EQ(session.window.fileList.RowCount(), 1) << c.what;
        EXPECT_EQ(session.Phase(0), c.restored) << c.what;
        EXPECT_EQ(session.Image(0), batch::PhaseImage(c.restored)) << c.what;
        EXPECT_EQ(session.Reason(0) == kInterruptedHint, c.restored == RowPhase::Interrupted) << c.what;
        if (c.restored == RowPhase::Converted)
            EXPECT_EQ(session.Percent(0), "100%") << c.what;
        // A part nobody holds is gone once the list is back.
        EXPECT_FALSE(std::filesystem::exists(part)) << c.what;

        const auto written = std::filesystem::exists(output) ? std::filesystem::last_write_time(output)
                                                             : std::filesystem::file_time_type {};
        session.Event([](TFFmpegFrmHandlers& h) { h.FileListViewConvertRows(RunScope::Remaining); });
        ASSERT_TRUE(session.WaitUntilIdle()) << c.what;
        EXPECT_EQ(session.Phase(0), RowPhase::Converted) << c.what;
        EXPECT_EQ(std::filesystem::last_write_time(output) != written, c.convertedAgain) << c.what;
    }
}

// Parts a killed run left in a folder that is no longer the output folder go at the next
// start and at the next batch; a part a running copy still writes stays.
TEST(FileListJournalBatch, AbandonedPartsOfAnEarlierOutputFolderGoAtTheNextStartAndBatchButNotHeldOnes)
{
    TempDir dir;
    const std::filesystem::path old = dir.Path() / "old output";
    std::filesystem::create_directories(old);
    const auto abandoned = [&] {
        const std::string path = (old / ".a.3gp.99999.ondrevo-part").string();
        std::ofstream(path) << "half a file";
        return path;
    };
    std::string left = abandoned();
    const PartialOutput held((old / "b.3gp").string());
    ConversionSession session(dir, [&](const std::string& db) {
        ListJournal killed(db, { "an earlier boot", 1, 1 });
        killed.Record({ false, {}, { old.string() } });
    });
    EXPECT_FALSE(std::filesystem::exists(left));
    EXPECT_TRUE(std::filesystem::exists(held.Path()));

    // A run in the new output folder notes that one too; an abandoned part in the old
    // one goes with the next batch.
    session.Add(session.Clip("c.mp4", 1));
    session.Convert();
    ASSERT_TRUE(session.WaitUntilIdle());
    session.dataModule.Journal().Flush();
    EXPECT_EQ(
        session.dataModule.Journal().PartFolders(), (std::vector<std::string> { session.outputFolder, old.string() }));
    left = abandoned();
    session.Convert();
    ASSERT_TRUE(session.WaitUntilIdle());
    EXPECT_FALSE(std::filesystem::exists(left));
    EXPECT_TRUE(std::filesystem::exists(held.Path()));
}

} // namespace
} // namespace ondrevo::testing
