// "Existing output files": Replace, Skip and Keep both over one list whose output folder
// already holds a whole earlier output, a cut one, an unreadable one and none, two files
// at once where the machine allows; and the choice as LibFFmpeg.Dat keeps it.

#include "app/ConversionTestSupport.h"
#include "conversion/JobLife.h"
#include "support/Command.h"
#include "support/DatabaseFiles.h"
#include "support/MemoryControls.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace ondrevo::testing {
namespace {

namespace fs = std::filesystem;

// What a file was: its bytes, modification time and inode.
struct FileState {
    std::string bytes;
    timespec mtime {};
    ino_t inode = 0;
    bool operator==(const FileState& other) const
    {
        return bytes == other.bytes && mtime.tv_sec == other.mtime.tv_sec && mtime.tv_nsec == other.mtime.tv_nsec
            && inode == other.inode;
    }
};

FileState StateOf(const std::string& path)
{
    struct stat status { };
    if (::stat(path.c_str(), &status) != 0)
        return {};
    return { FileBytes(path), status.st_mtim, status.st_ino };
}

// A 3GP made otherwise than the program would make it, dated two days back; its state.
FileState EarlierOutput(const std::string& path, double seconds)
{
    GenerateClip(path, seconds, true, true, "-c:v mpeg4 -c:a aac -f 3gp");
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(48));
    return StateOf(path);
}

std::vector<std::string> Names(std::initializer_list<const char*> names)
{
    return { names.begin(), names.end() };
}

struct Round {
    int choice; // the selector's position: Replace, Skip, Keep both
    const char* stored; // the word LibFFmpeg.Dat keeps
    bool convertTwice; // Convert again after the first batch
    std::vector<std::string> names; // the output folder afterwards
    std::vector<std::string> untouched; // earlier files that must stay byte for byte
    int encoderRuns;
    const char* summary;
};

TEST(ExistingOutputs, ReplaceSkipAndKeepBothOverWholeCutUnreadableAndMissingOutputs)
{
    const Round rounds[] = {
        { 0, "replace", false, Names({ "cut.3gp", "fresh.3gp", "garbage.3gp", "whole (2).3gp", "whole.3gp" }), {}, 5,
            "5 files converted" },
        // Only the whole earlier output is kept; the encoder does not run for it.
        { 1, "skip", false, Names({ "cut.3gp", "fresh.3gp", "garbage.3gp", "whole (2).3gp", "whole.3gp" }),
            Names({ "whole.3gp" }), 4, "4 files converted, 1 skipped" },
        // The two "whole" rows run side by side and must not take one name; a second
        // Convert numbers on.
        { 2, "keep both", true,
            Names({ "cut (2).3gp", "cut (3).3gp", "cut.3gp", "fresh (2).3gp", "fresh.3gp", "garbage (2).3gp",
                "garbage (3).3gp", "garbage.3gp", "whole (2).3gp", "whole (3).3gp", "whole (4).3gp", "whole (5).3gp",
                "whole.3gp" }),
            Names({ "cut.3gp", "garbage.3gp", "whole.3gp" }), 10, "5 files converted" },
    };
    for (const Round& round : rounds) {
        SCOPED_TRACE(round.stored);
        TempDir dir;
        ErrorReports reports;
        ConversionSession session(dir);
        MemoryMainWindow& window = session.window;
        // Counts the encoder's runs (not the batch's look at its list of encoders).
        WriteScript(session.programFolder + "/bin/ffmpeg",
            "[ \"$2\" = -encoders ] || echo run >> " + ShellQuote(dir.File("runs"))
                + "; exec " ONDREVO_FFMPEG " \"$@\"");
        for (const char* name : { "whole.mp4", "again/whole.mp4", "cut.mp4", "garbage.mp4", "fresh.mp4" })
            session.Add(session.Clip(name, 3));
        std::vector<FileState> before { EarlierOutput(session.Output("whole.3gp"), 3),
            EarlierOutput(session.Output("cut.3gp"), 2.1) };
        std::ofstream(session.Output("garbage.3gp")) << std::string(20000, 'g');
        before.push_back(StateOf(session.Output("garbage.3gp")));

        window.filesAtOnceSpin.UserSets(2);
        window.existingOutputsCombo.UserPick(round.choice);
        EXPECT_EQ(QueryValue(session.programFolder + "/LibFFmpeg.Dat", "select existing_mode from convert_existing"),
            round.stored);
        window.batchDisplay.away = true;
        for (int pass = 0; pass < (round.convertTwice ? 2 : 1); ++pass) {
            session.Convert();
            ASSERT_TRUE(session.WaitUntilIdle());
        }

        EXPECT_EQ(FolderNames(session.outputFolder), round.names);
        for (const std::string& name : Names({ "whole.3gp", "cut.3gp", "garbage.3gp" })) {
            const bool keep = std::count(round.untouched.begin(), round.untouched.end(), name) > 0;
            const FileState now = StateOf(session.Output(name));
            const std::size_t at = name[0] == 'w' ? 0 : name[0] == 'c' ? 1 : 2;
            EXPECT_EQ(now == before[at], keep) << name;
            if (!keep) {
                EXPECT_NEAR(ProbeDuration(session.Output(name)), 3.0, 0.3) << name;
            }
        }
        const std::string runs = FileBytes(dir.File("runs"));
        EXPECT_EQ(std::count(runs.begin(), runs.end(), '\n'), round.encoderRuns);
        for (int row = 0; row < 5; ++row)
            EXPECT_EQ(session.Phase(row), RowPhase::Converted) << row;
        EXPECT_EQ(session.Reason(0), round.choice == 1 ? "Skipped: whole.3gp already exists" : "");
        if (round.choice == 1) {
            EXPECT_EQ(session.Percent(0), "100%");
        }
        ASSERT_FALSE(window.batchDisplay.notifications.empty());
        EXPECT_EQ(window.batchDisplay.notifications.back(), round.summary);
        EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
    }
}

// The choice is read as each row starts: picked while the first row converts, it applies
// from the second on. A row chosen to convert again is converted whatever is there.
TEST(ExistingOutputs, AChangeDuringABatchAppliesFromTheNextRowOn)
{
    TempDir dir;
    ErrorReports reports;
    ConversionSession session(dir);
    session.Add(session.Clip("one.mp4", 3));
    session.Add(session.Clip("two.mp4", 3));
    const FileState one = EarlierOutput(session.Output("one.3gp"), 3);
    const FileState two = EarlierOutput(session.Output("two.3gp"), 3);
    session.Convert();
    session.window.existingOutputsCombo.UserPick(1);
    ASSERT_TRUE(session.WaitUntilIdle());
    EXPECT_FALSE(StateOf(session.Output("one.3gp")) == one);
    EXPECT_TRUE(StateOf(session.Output("two.3gp")) == two);
    EXPECT_EQ(session.Reason(0), "");
    EXPECT_EQ(session.Reason(1), "Skipped: two.3gp already exists");
    // "Convert this row again" is asked for: the skipped row converts.
    session.window.fileList.selected = 1;
    session.Event([](TFFmpegFrmHandlers& h) { h.FileListViewConvertRows(RunScope::Selected); });
    ASSERT_TRUE(session.WaitUntilIdle());
    EXPECT_FALSE(StateOf(session.Output("two.3gp")) == two);
    EXPECT_EQ(session.Reason(1), "");
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

// Keep both: a file that another program puts under the output's name while the encoder
// writes is not replaced either; the output takes the next number.
TEST(ExistingOutputs, KeepBothDoesNotReplaceAFileThatAppearsWhileTheEncoderWrites)
{
    TempDir dir;
    ErrorReports reports;
    ConversionSession session(dir);
    session.Add(session.Clip("clip.mp4", 3));
    session.window.existingOutputsCombo.UserPick(2);
    session.Convert();
    std::ofstream(session.Output("clip.3gp")) << "another program's file";
    ASSERT_TRUE(session.WaitUntilIdle());
    EXPECT_TRUE(FileBytes(session.Output("clip.3gp")) == "another program's file");
    EXPECT_NEAR(ProbeDuration(session.Output("clip (2).3gp")), 3.0, 0.3);
    EXPECT_EQ(session.Phase(0), RowPhase::Converted);
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

// What stands under an output's name, two files at once: a folder fails its row before
// the encoder runs, a symbolic link to a folder is replaced as a file is, and the same
// file listed twice gets two names rather than racing for one.
TEST(ExistingOutputs, AFolderInTheWayFailsBeforeEncodingAndAFileListedTwiceGetsTwoNames)
{
    struct Way {
        int choice;
        std::vector<std::string> names;
        int encoderRuns;
    };
    const Way ways[] = {
        { 0, Names({ "dir.3gp", "link.3gp", "twice (2).3gp", "twice.3gp" }), 3 },
        { 1, Names({ "dir.3gp", "link.3gp", "twice (2).3gp", "twice.3gp" }), 3 },
        // Keep both goes round both.
        { 2, Names({ "dir (2).3gp", "dir.3gp", "link (2).3gp", "link.3gp", "twice (2).3gp", "twice.3gp" }), 4 },
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.choice);
        TempDir dir;
        ErrorReports reports;
        ConversionSession session(dir);
        WriteScript(session.programFolder + "/bin/ffmpeg",
            "[ \"$2\" = -encoders ] || echo run >> " + ShellQuote(dir.File("runs"))
                + "; exec " ONDREVO_FFMPEG " \"$@\"");
        fs::create_directories(fs::path(session.Output("dir.3gp")) / "inside");
        const fs::path elsewhere = session.testFolder / "elsewhere";
        fs::create_directories(elsewhere);
        fs::create_directory_symlink(elsewhere, session.Output("link.3gp"));
        session.Add(session.Clip("dir.mp4", 1));
        session.Add(session.Clip("link.mp4", 1));
        session.Add(session.Clip("twice.mp4", 1));
        session.Add((session.testFolder / "twice.mp4").string());
        session.window.filesAtOnceSpin.UserSets(2);
        session.window.existingOutputsCombo.UserPick(way.choice);
        session.Convert();
        ASSERT_TRUE(session.WaitUntilIdle());

        EXPECT_EQ(FolderNames(session.outputFolder), way.names);
        const std::string runs = FileBytes(dir.File("runs"));
        EXPECT_EQ(std::count(runs.begin(), runs.end(), '\n'), way.encoderRuns);
        const bool keepBoth = way.choice == 2;
        EXPECT_EQ(session.Phase(0), keepBoth ? RowPhase::Converted : RowPhase::Failed);
        EXPECT_EQ(session.Reason(0), keepBoth ? "" : session.Output("dir.3gp") + ": Is a directory");
        EXPECT_EQ(session.Percent(0), keepBoth ? "100%" : "0%");
        for (int row = 1; row < 4; ++row) {
            EXPECT_EQ(session.Phase(row), RowPhase::Converted) << session.Reason(row);
            EXPECT_EQ(session.Percent(row), "100%") << row;
        }
        EXPECT_TRUE(fs::exists(fs::path(session.Output("dir.3gp")) / "inside"));
        EXPECT_EQ(fs::is_symlink(session.Output("link.3gp")), keepBoth);
        EXPECT_TRUE(fs::is_empty(elsewhere));
        for (const char* name : { "twice.3gp", "twice (2).3gp" })
            EXPECT_NEAR(ProbeDuration(session.Output(name)), 1.0, 0.2) << name;
        EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
    }
}

// Skip, and Stop before the skipped row's end has come: the earlier output is whole, so
// the row is converted, not stopped, and "Convert remaining rows" leaves it alone.
TEST(ExistingOutputs, ARowSkippedJustBeforeAStopStaysConverted)
{
    TempDir dir;
    ErrorReports reports;
    ConversionSession session(dir);
    session.Add(session.Clip("one.mp4", 2));
    const FileState one = EarlierOutput(session.Output("one.3gp"), 2);
    session.window.existingOutputsCombo.UserPick(1);
    session.Convert();
    // Once the skip is decided, before its end has come.
    ASSERT_TRUE(session.RunUntil([&] { return session.window.encoders.Job(0).life == JobLife::EndPosted; }));
    session.Stop();
    // The row's end is still on its way; the stop has already given up its slot.
    ASSERT_TRUE(session.RunUntil([&] { return session.window.encoders.Job(0).life == JobLife::Free; }));
    EXPECT_EQ(session.Phase(0), RowPhase::Converted);
    EXPECT_EQ(session.Reason(0), "Skipped: one.3gp already exists");
    EXPECT_TRUE(StateOf(session.Output("one.3gp")) == one);
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

// An older LibFFmpeg.Dat has no table for the choice: it means Replace until a pick
// makes it. The next start shows what was picked. (The stored words and the table are
// tested with the other one-row settings.)
TEST(ExistingOutputs, TheChoiceIsKeptInATableOfItsOwnMadeWhenFirstPicked)
{
    TempDir dir;
    ErrorReports reports;
    const std::string db = (dir.Path() / "program" / "LibFFmpeg.Dat").string();
    const std::string tables = "select count(*) from sqlite_master where name = 'convert_existing'";
    {
        ConversionSession session(dir);
        EXPECT_EQ(QueryValue(db, tables), "0");
        EXPECT_EQ(session.window.existingOutputsCombo.Items(), Names({ "Replace", "Skip", "Keep both" }));
        EXPECT_EQ(session.window.existingOutputsCombo.ItemIndex(), 0);
        session.window.existingOutputsCombo.UserPick(2);
        EXPECT_EQ(QueryValue(db, tables), "1");
    }
    Session next(db);
    next.Show();
    EXPECT_EQ(next.window.existingOutputsCombo.ItemIndex(), 2);
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

} // namespace
} // namespace ondrevo::testing
