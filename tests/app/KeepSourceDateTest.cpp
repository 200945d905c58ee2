// "Keep the source's date": the output takes its source's modification time and, when the
// source has one, its creation time; unticked, nothing changes. The choice is kept in a
// table of its own that older databases lack.

#include "app/ConversionTestSupport.h"

#include "app/TFFmpegFunc.h"
#include "support/Command.h"
#include "support/DatabaseFiles.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace ondrevo::testing {
namespace {

// 2019-07-04 10:20:30.123456789 UTC.
constexpr timespec kSourceTime { 1562235630, 123456789 };

timespec ModificationTime(const std::string& path)
{
    struct stat status { };
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return status.st_mtim;
}

std::string CreationTime(const std::string& path)
{
    return ShellOutput(
        "ffprobe -v error -of default=nw=1:nk=1 -show_entries format_tags=creation_time " + ShellQuote(path));
}

class KeepSourceDate : public ::testing::Test {
protected:
    TempDir dir;
    ErrorReports reports;
};

TEST_F(KeepSourceDate, TheOutputTakesTheSourcesTimesOnlyWhenTicked)
{
    ConversionSession session(dir);
    const std::string stamped = session.Clip("stamped.mp4", 1, "-metadata creation_time=2019-07-04T10:20:30.000000Z");
    const std::string plain = session.Clip("plain.mp4", 1);
    for (const std::string& source : { stamped, plain }) {
        const timespec times[2] = { kSourceTime, kSourceTime };
        ASSERT_EQ(::utimensat(AT_FDCWD, source.c_str(), times, 0), 0);
    }
    session.Add(stamped);
    session.Add(plain);
    const std::vector<std::string> unticked = TFFmpegFunc().BuildCommandLine(0);

    struct Row {
        bool ticked;
        bool stopped;
    } rows[] = { { false, false }, { true, false }, { true, true } };
    for (const Row& row : rows) {
        const std::string where = std::string(row.ticked ? "ticked" : "unticked") + (row.stopped ? ", stopped" : "");
        if (session.window.keepDate.checked != row.ticked)
            session.window.keepDate.UserClick();
        std::vector<std::string> line = unticked;
        if (row.ticked)
            line.insert(line.end() - 3, { "-map_metadata", "0" });
        EXPECT_EQ(TFFmpegFunc().BuildCommandLine(0), line) << where;
        if (row.stopped) {
            session.EncodeUntilStopped();
            session.Convert();
            ASSERT_TRUE(session.RunUntil([&] { return session.Percent(0) != "0%"; }));
            session.Stop();
        } else {
            session.Convert();
        }
        ASSERT_TRUE(session.WaitUntilIdle()) << where;
        for (const auto& [row0, name] : { std::pair { 0, "stamped.3gp" }, std::pair { 1, "plain.3gp" } }) {
            if (row.stopped && row0 == 1)
                continue;
            EXPECT_EQ(session.Hint(row0), "") << where << " " << name;
            const std::string output = session.Output(name);
            const timespec written = ModificationTime(output);
            if (row.ticked) {
                EXPECT_EQ(written.tv_sec, kSourceTime.tv_sec) << where << " " << name;
                EXPECT_EQ(written.tv_nsec, kSourceTime.tv_nsec) << where << " " << name;
            } else {
                EXPECT_GT(written.tv_sec, kSourceTime.tv_sec + 3600) << where << " " << name;
            }
            // The container's creation time comes along when the source has one.
            const bool hasCreationTime = row.ticked && row0 == 0;
            EXPECT_EQ(CreationTime(output), hasCreationTime ? "2019-07-04T10:20:30.000000Z\n" : "")
                << where << " " << name;
        }
    }
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

TEST_F(KeepSourceDate, TheChoiceHasATableOfItsOwnMadeWhenFirstSaved)
{
    WorkingDirectory cwd(dir.Path());
    CopyShippedDatabase("LibFFmpeg.Dat");
    const std::string table = "select count(*) from sqlite_master where name = 'keep_sourcedate'";
    {
        // A database without the table opens as before: unticked, nothing written.
        const unsigned writes = WriteTransactions("LibFFmpeg.Dat");
        Session session;
        session.Show();
        EXPECT_FALSE(session.window.keepDate.checked);
        EXPECT_EQ(QueryValue("LibFFmpeg.Dat", table), "0");
        EXPECT_EQ(WriteTransactions("LibFFmpeg.Dat"), writes);
        session.window.keepDate.UserClick();
    }
    EXPECT_EQ(QueryValue("LibFFmpeg.Dat", "select keep_on from keep_sourcedate"), "1");
    for (const bool expected : { true, false }) {
        Session session;
        session.Show();
        EXPECT_EQ(session.window.keepDate.checked, expected);
        session.window.keepDate.UserClick();
    }
    EXPECT_EQ(QueryValue("LibFFmpeg.Dat", "select count(*) || ':' || keep_on from keep_sourcedate"), "1:1");
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

} // namespace
} // namespace ondrevo::testing
