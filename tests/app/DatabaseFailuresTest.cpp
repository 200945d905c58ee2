// Database faults at start-up and during changes: a missing file, a file that is no
// database, a read-only file, a working directory in which nothing can be opened, and
// locks held by other programs on the same file.

#include "support/MemoryControls.h"

#include "app/TFFmpegFunc.h"
#include "base/Errors.h"
#include "conversion/BatchChoices.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sqlite3.h>
#include <sstream>
#include <sys/stat.h>

namespace ondrevo::testing {
namespace {

namespace fs = std::filesystem;

// The one report of a settings file that cannot be read: the database's words first,
// then the file and what to do.
void ExpectSettingsFileReport(const ErrorReports& reports, const std::string& said)
{
    ASSERT_EQ(reports.messages.size(), 1u);
    const std::string& message = reports.messages.front();
    EXPECT_EQ(message.rfind(said + "\nThe settings file ", 0), 0u) << message;
    EXPECT_NE(message.find("LibFFmpeg.Dat cannot be read"), std::string::npos) << message;
    EXPECT_NE(message.find("scripts/run.sh"), std::string::npos) << message;
    EXPECT_EQ(reports.captions.front(), "Ondrevo");
}

void ExpectAllSelectorsEmpty(Session& s)
{
    for (int n = 1; n <= 9; ++n) {
        EXPECT_EQ(s.Selector(n).ItemCount(), 0) << n;
        EXPECT_EQ(s.Selector(n).ItemIndex(), -1) << n;
    }
}

TEST(DatabaseFailures, MissingFileIsCreatedEmptyAndTheWindowStillWorks)
{
    TempDir dir;
    WorkingDirectory cwd(dir.Path());
    ErrorReports reports;
    Session s; // by its relative name, in the working directory
    ASSERT_TRUE(fs::exists(dir.Path() / "LibFFmpeg.Dat"));

    s.Show();
    ExpectSettingsFileReport(reports, "no such table: cmbex_vdocodec.");
    ExpectAllSelectorsEmpty(s);
    // The folder's own table is missing too: the default is shown, never a blank field.
    EXPECT_EQ(s.window.jvEditDir.Text(), TFFmpegFunc::DefaultOutputDir());

    // The window goes on: a cancelled chooser does nothing, opening passes the field; a
    // choice that cannot be kept brings no second report.
    s.Event([](TFFmpegFrmHandlers& h) { h.JvBtnSltDirClick(); });
    s.Event([](TFFmpegFrmHandlers& h) { h.JvBtnOpenDirClick(); });
    EXPECT_EQ(s.window.desktop.opened, std::vector<std::string> { TFFmpegFunc::DefaultOutputDir() });
    s.Selector(1).UserType("H");
    EXPECT_EQ(reports.messages.size(), 1u);
    EXPECT_EQ(QueryValue("LibFFmpeg.Dat", "select count(*) from sqlite_master"), "0")
        << "the program creates no tables";
}

TEST(DatabaseFailures, GarbageFileIsReportedAsNoDatabase)
{
    TempDir dir;
    WorkingDirectory cwd(dir.Path());
    {
        std::mt19937 random(7);
        std::ofstream garbage("LibFFmpeg.Dat", std::ios::binary);
        for (int i = 0; i < 5000; ++i)
            garbage.put(static_cast<char>(random() & 0xff));
    }
    const std::string bytes = FileBytes("LibFFmpeg.Dat");
    ErrorReports reports;
    Session s;
    s.Show();
    ExpectSettingsFileReport(reports, "file is not a database.");
    ExpectAllSelectorsEmpty(s);
    EXPECT_EQ(s.window.jvEditDir.Text(), TFFmpegFunc::DefaultOutputDir());
    EXPECT_TRUE(FileBytes("LibFFmpeg.Dat") == bytes);
}

TEST(DatabaseFailures, OpeningWhereNothingCanBeCreatedRaisesTheDatabaseError)
{
    TempDir dir;
    const fs::path gone = dir.Path() / "gone";
    fs::create_directory(gone);
    WorkingDirectory cwd(gone);
    fs::remove(gone);
    try {
        TSqlDatMod dataModule;
        ADD_FAILURE() << "opened a database in a deleted folder";
    } catch (const EUniError& e) {
        EXPECT_EQ(e.ErrorCode() & 0xff, SQLITE_CANTOPEN);
        EXPECT_STREQ(e.what(), "unable to open database file");
        EXPECT_STREQ(e.ClassName(), "EUniError");
    }
}

// A database the program can read but not write. As root the scenario runs in a child
// that has given up its rights, since root writes files whatever their mode. Every
// refused choice goes back to what is stored, and the reason is shown once.
TEST(DatabaseFailures, ReadOnlyFileShowsTheStoredChoicesAndReportsOnce)
{
    TempDir dir;
    fs::permissions(dir.Path(),
        fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read
            | fs::perms::others_exec);
    const std::string db = dir.File("LibFFmpeg.Dat");
    const std::string folder = dir.File("chosen");
    CopyShippedDatabase(db);
    fs::create_directory(folder);
    chmod(db.c_str(), 0444);
    const auto before = StoredState(db);

    bool skipped = false;
    const std::string transcript = RunWithoutWriteRights(
        [&] {
            std::ostringstream out;
            ErrorReports reports;
            Session s(db);
            s.Show();
            out << "shown:" << reports.messages.size() << "\n";
            s.Selector(1).UserPick(2);
            out << "vdo1:" << s.Selector(1).ItemIndex() << " " << s.Fragment(1) << "\n";
            s.Selector(7).UserPick(0);
            s.Selector(6).UserPick(1); // the sub-selectors list AAC's rows again
            out << "ado1:" << s.Selector(6).ItemIndex() << " ado2:" << s.Selector(7).ItemCount() << "@"
                << s.Selector(7).ItemIndex() << "\n";
            s.window.desktop.folderAnswers.push_back(folder);
            s.Event([](TFFmpegFrmHandlers& h) { h.JvBtnSltDirClick(); });
            out << "dir:" << (s.window.jvEditDir.Text() == TFFmpegFunc::DefaultOutputDir() ? "default" : "?") << "\n";
            for (const std::string& message : reports.messages)
                out << "report:" << message << "\n";
            return out.str();
        },
        skipped);
    if (skipped)
        GTEST_SKIP() << "cannot change identity to nobody here";
    EXPECT_EQ(transcript,
        "shown:0\n"
        "vdo1:1 -c:v mpeg4 -pix_fmt yuv420p\n"
        "ado1:0 ado2:7@4\n"
        "dir:default\n"
        "report:attempt to write a readonly database.\n");
    EXPECT_EQ(StoredState(db), before);

    // The next start shows what was stored before.
    chmod(db.c_str(), 0644);
    ErrorReports reports;
    Session next(db);
    next.Show();
    EXPECT_EQ(next.Selector(1).ItemIndex(), 1);
    EXPECT_EQ(next.Selector(6).ItemIndex(), 0);
    EXPECT_NE(next.window.jvEditDir.Text(), folder);
    EXPECT_TRUE(reports.messages.empty());
}

// Another copy of the program saving its own choices at the same moment: each save waits
// for the other's lock instead of failing.
TEST(DatabaseFailures, TwoCopiesChangingSelectorsAtOnceShowNoError)
{
    TempDir dir;
    const std::string db = dir.File("LibFFmpeg.Dat");
    CopyShippedDatabase(db);
    constexpr int kPicks = 100;
    const auto pickMany = [&](int n) {
        ErrorReports reports;
        Session s(db);
        s.Show();
        for (int i = 0; i < kPicks; ++i)
            s.Selector(n).UserPick(i % 3);
        std::string said;
        for (const std::string& message : reports.messages)
            said += message + "\n";
        return said;
    };
    ForkedChild other([&] { return pickMany(2); });
    EXPECT_EQ(pickMany(3), "");
    EXPECT_EQ(other.Result(), "");
    const std::string last = std::to_string((kPicks - 1) % 3);
    EXPECT_EQ(QueryValue(db, "select cmbex_index from cmbex_itemindex where cmbex_tag = 2"), last);
    EXPECT_EQ(QueryValue(db, "select cmbex_index from cmbex_itemindex where cmbex_tag = 3"), last);
}

// Another program holding a write lock while three choices are made. Released while the
// save waits, nothing is lost; outlasting the wait, the stored choices stay shown (the
// audio sub-selectors list AAC's rows again) and one report covers all three refusals.
TEST(DatabaseFailures, ALockOfAnotherProgramLosesNoChoiceAndShowsNoneThatIsNotStored)
{
    struct Case {
        const char* what;
        double holdSeconds;
        std::chrono::milliseconds wait;
        std::vector<int> shown; // video codec, audio codec, its bitrates
        std::vector<std::string> reports;
    };
    const Case cases[] = {
        { "released while the save waits", 0.5, kBusyTimeout, { 2, 1, 1 }, {} },
        { "outlasting the wait", 60, std::chrono::milliseconds(50), { 1, 0, 7 }, { "database is locked." } },
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string db = dir.File("LibFFmpeg.Dat");
        const std::string folder = dir.File("chosen");
        CopyShippedDatabase(db);
        fs::create_directory(folder);
        ErrorReports reports;
        Session s(db);
        s.dataModule.SetBusyTimeout(c.wait);
        s.Show();
        const std::string stored = s.window.jvEditDir.Text();
        {
            LockHolder lock(db, c.holdSeconds);
            s.Selector(1).UserPick(2);
            s.Selector(6).UserPick(1);
            s.window.desktop.folderAnswers.push_back(folder);
            s.Event([](TFFmpegFrmHandlers& h) { h.JvBtnSltDirClick(); });
        }
        EXPECT_EQ(std::vector<int>({ s.Selector(1).ItemIndex(), s.Selector(6).ItemIndex(), s.Selector(7).ItemCount() }),
            c.shown)
            << c.what;
        EXPECT_EQ(
            QueryValue(db, "select cmbex_index from cmbex_itemindex where cmbex_tag = 1"), std::to_string(c.shown[0]))
            << c.what;
        EXPECT_EQ(s.window.jvEditDir.Text(), c.reports.empty() ? folder : stored) << c.what;
        EXPECT_EQ(QueryValue(db, "select dir_name from savedir_videofile"), c.reports.empty() ? folder : "") << c.what;
        EXPECT_EQ(reports.messages, c.reports) << c.what;
    }
}

// A table gone from the shipped database: the start-up reports it and fills what it can.
class MissingTable : public ::testing::Test, protected ProgramOnShippedCopy { };

TEST_F(MissingTable, OfTheOutputFolderShowsTheDefaultFolder)
{
    ExecuteSql(db, "drop table savedir_videofile");
    Session& s = Start();
    ExpectSettingsFileReport(reports, "no such table: savedir_videofile.");
    EXPECT_EQ(s.Selector(9).ItemIndex(), 6) << "the selectors were filled before the folder failed";
    EXPECT_EQ(s.window.jvEditDir.Text(), TFFmpegFunc::DefaultOutputDir());
}

TEST_F(MissingTable, OfSavedAudioPositionsKeepsTheListWithoutSelection)
{
    ExecuteSql(db, "drop table cmbex_adoindex");
    Session& s = Start();
    ExpectSettingsFileReport(reports, "no such table: cmbex_adoindex.");
    EXPECT_EQ(s.Selector(6).ItemIndex(), 0);
    EXPECT_EQ(s.Selector(7).ItemCount(), 7);
    EXPECT_EQ(s.Selector(7).ItemIndex(), -1);
    EXPECT_EQ(s.Selector(8).ItemCount(), 0);
    // The steps after the failing one still ran.
    EXPECT_EQ(s.window.jvEditDir.Text(), TFFmpegFunc::DefaultOutputDir());
}

// One setting's table that cannot be read (made without its value columns) while the
// rest of the file reads: the start-up reports it, the other settings show what is
// stored, the setting shows no choice rather than a default, and a batch keeps earlier
// outputs. A pick that cannot be stored stays shown and is what a batch uses.
TEST_F(MissingTable, ColumnsOfAOneRowSettingAreReportedAndNoDefaultTakesTheirPlace)
{
    // The settings as stored before one of them is damaged.
    const std::string stored = "drop table if exists convert_atonce; drop table if exists convert_existing;"
                               "drop table if exists keep_sourcedate; drop table if exists convert_sizelimit;"
                               "create table convert_atonce (atonce_numb varchar(3) primary key, atonce_count integer);"
                               "insert into convert_atonce values ('001', 1);"
                               "create table convert_existing (existing_numb varchar(3) primary key, existing_mode "
                               "varchar(16)); insert into convert_existing values ('001', 'keep both');"
                               "create table keep_sourcedate (keep_numb varchar(3) primary key, keep_on integer);"
                               "insert into keep_sourcedate values ('001', 1)";
    const struct {
        const char* table; // dropped and made again without its value columns
        const char* said;
        int atOnce;
        int existing;
        bool keepDate;
        int sizeLimit;
    } cases[] = {
        { "convert_atonce", "no such column: atonce_count.", 1, 2, true, 0 },
        { "convert_existing", "no such column: existing_mode.", 1, -1, true, 0 },
        { "keep_sourcedate", "no such column: keep_on.", 1, 2, false, 0 },
        { "convert_sizelimit", "no such column: limit_kb.", 1, 2, true, -1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.table);
        session_.reset();
        ExecuteSql(db, stored);
        ExecuteSql(db, std::string("drop table if exists ") + c.table + "; create table " + c.table
                + " (x varchar(3) primary key)");
        reports.messages.clear();
        reports.captions.clear();
        Session& s = Start();
        ExpectSettingsFileReport(reports, c.said);
        EXPECT_EQ(s.Selector(1).ItemIndex(), 1) << "the selectors show what is stored";
        EXPECT_EQ(s.window.filesAtOnceSpin.Value(), c.atOnce);
        EXPECT_EQ(s.window.existingOutputsCombo.ItemCount(), 3);
        EXPECT_EQ(s.window.existingOutputsCombo.ItemIndex(), c.existing);
        EXPECT_EQ(s.window.keepDateCheck.Checked(), c.keepDate);
        EXPECT_EQ(s.window.sizeLimitCombo.ItemCount(), 4);
        EXPECT_EQ(s.window.sizeLimitCombo.ItemIndex(), c.sizeLimit);
        const BatchChoices shown = TFFmpegFunc().Choices();
        EXPECT_EQ(shown.existing, c.existing < 0 ? ExistingOutputs::Skip : ExistingOutputs::KeepBoth);
        EXPECT_EQ(shown.sizeLimit, size_limit::Choice {});

        // Picks that cannot be stored stay; the report at the start covers them.
        if (c.existing < 0) {
            s.window.existingOutputsCombo.UserPick(0);
            EXPECT_EQ(s.window.existingOutputsCombo.ItemIndex(), 0);
            EXPECT_EQ(TFFmpegFunc().Choices().existing, ExistingOutputs::Replace);
        }
        if (c.sizeLimit < 0) {
            s.window.sizeLimitCombo.UserPick(1);
            EXPECT_EQ(TFFmpegFunc().Choices().sizeLimit.kilobytes, 295);
            // A typed text that is no size brings back the choice in force.
            s.window.sizeLimitCombo.UserType("abc");
            EXPECT_EQ(s.window.sizeLimitCombo.Text(), "295 KB (MMS)");
            EXPECT_EQ(TFFmpegFunc().Choices().sizeLimit.kilobytes, 295);
        }
        EXPECT_EQ(reports.messages.size(), 1u) << (reports.messages.empty() ? "" : reports.messages.back());
    }
}

} // namespace
} // namespace ondrevo::testing
