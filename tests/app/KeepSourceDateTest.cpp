// "Keep the source's date": the output takes its source's modification time and, when the
// source has one, its creation time; unticked, nothing changes. The choice is kept in a
// table of its own that older databases lack.

#include "app/ConversionTestSupport.h"

#include "app/TFFmpegFunc.h"
#include "conversion/SourceDate.h"
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
        if (session.window.keepDateCheck.checked != row.ticked)
            session.window.keepDateCheck.UserClick();
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
            EXPECT_EQ(session.Reason(row0), "") << where << " " << name;
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

TEST_F(KeepSourceDate, ACreationTimeA3gpCannotHoldIsLeftOutAndTheModificationTimeStillComes)
{
    // Matroska holds any time; a 3GP header only 1970 to early 2040.
    ConversionSession session(dir);
    struct Row {
        const char* stamp;
        const char* kept; // the output's creation time
    } const rows[] = {
        { "1969-07-20T20:17:40Z", "" },
        { "1970-01-01T00:00:01Z", "1970-01-01T00:00:01.000000Z\n" },
        { "2040-02-06T06:28:15Z", "2040-02-06T06:28:15.000000Z\n" },
        { "2040-02-06T06:28:16Z", "" },
        { "2100-01-01T00:00:00Z", "" },
    };
    if (!session.window.keepDateCheck.checked)
        session.window.keepDateCheck.UserClick();
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const std::string name = "clip" + std::to_string(i);
        const std::string source
            = session.Clip(name + ".mkv", 1, std::string("-metadata creation_time=") + rows[i].stamp);
        const timespec times[2] = { kSourceTime, kSourceTime };
        ASSERT_EQ(::utimensat(AT_FDCWD, source.c_str(), times, 0), 0);
        session.Add(source);
    }
    session.Convert();
    ASSERT_TRUE(session.WaitUntilIdle());
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const std::string output = session.Output("clip" + std::to_string(i) + ".3gp");
        EXPECT_EQ(session.Reason(static_cast<int>(i)), "") << rows[i].stamp;
        EXPECT_EQ(CreationTime(output), rows[i].kept) << rows[i].stamp;
        const timespec written = ModificationTime(output);
        EXPECT_EQ(written.tv_sec, kSourceTime.tv_sec) << rows[i].stamp;
        EXPECT_EQ(written.tv_nsec, kSourceTime.tv_nsec) << rows[i].stamp;
    }
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

TEST(SourceDateText, TheCreationTimeIsTheFirstInputsOwnAndFitsOnlyWithinTheHeadersRange)
{
    const std::string log = "Input #0, matroska,webm, from 'a.mkv':\n"
                            "  Metadata:\n"
                            "    ENCODER         : Lavf59.27.100\n"
                            "    creation_time   : 2100-01-01T00:00:00.000000Z\n"
                            "  Duration: 00:00:01.00, start: 0.000000, bitrate: 30 kb/s\n"
                            "  Stream #0:0: Video: mpeg4\n"
                            "    Metadata:\n"
                            "      creation_time   : 2019-07-04T10:20:30.000000Z\n";
    EXPECT_EQ(source_date::CreationTimeOf(log), "2100-01-01T00:00:00.000000Z");
    // Only a stream's time, or none: the container has none.
    EXPECT_EQ(
        source_date::CreationTimeOf(log.substr(0, log.find("    creation")) + log.substr(log.find("  Duration"))), "");
    EXPECT_EQ(source_date::CreationTimeOf("a.mkv: No such file or directory\n"), "");
    const struct {
        const char* time;
        bool fits;
    } rows[] = {
        { "1969-12-31T23:59:59.000000Z", false },
        { "1970-01-01T00:00:00.000000Z", true },
        { "2019-07-04 10:20:30", true },
        { "2040-02-06T06:28:15.999999Z", true },
        { "2040-02-06T06:28:16.000000Z", false },
        { "2100-01-01T00:00:00.000000Z", false },
        { "now", false },
        { "", false },
    };
    for (const auto& row : rows)
        EXPECT_EQ(source_date::FitsIn3gp(row.time), row.fits) << row.time;
}

// How the table is read and written is tested with the other one-row settings.
TEST_F(KeepSourceDate, AClickIsStoredAndTheNextStartShowsIt)
{
    WorkingDirectory cwd(dir.Path());
    CopyShippedDatabase("LibFFmpeg.Dat");
    {
        Session session;
        session.Show();
        EXPECT_FALSE(session.window.keepDateCheck.checked);
        session.window.keepDateCheck.UserClick();
    }
    for (const bool expected : { true, false }) {
        Session session;
        session.Show();
        EXPECT_EQ(session.window.keepDateCheck.checked, expected);
        session.window.keepDateCheck.UserClick();
    }
    EXPECT_EQ(QueryValue("LibFFmpeg.Dat", "select keep_on from keep_sourcedate"), "1");
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

} // namespace
} // namespace ondrevo::testing
