// The encoder's output lines as the row's percentage, the status line and the row's
// reason, on lines the real encoder prints, fed to the engine as its runner feeds them.

#include "conversion/Progress.h"
#include "conversion/BatchEngine.h"
#include "conversion/CommandLine.h"
#include "conversion/EncoderPool.h"
#include "support/MemoryControls.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <tuple>

namespace ondrevo::testing {
namespace {

const char* const kFirstLine
    = "frame=    1 fps=0.0 q=4.1 size=       0kB time=00:00:00.00 bitrate=5415.4kbits/s speed=0.00481x    ";
const char* const kLastLine = "frame=   47 fps=0.0 q=2.0 Lsize=      70kB time=00:00:59.06 bitrate= 187.6kbits/s "
                              "dup=0 drop=28 speed=41.8x    ";

class Progress : public ::testing::Test {
protected:
    Progress()
        : session(dir.File("LibFFmpeg.Dat"))
        , list(session.window.fileList)
    {
        list.AppendRow("/clips/a.mp4", 3, { "mp4", "1.00MB", "00:01:00", "0%" });
        session.window.batch.Append("/clips/a.mp4", 60000);
        GiveJob(session.window, 0, 0);
    }
    void Show(const std::string& line) { session.window.Engine().EncoderLine(0, line); }
    // The row's playing time as its job knows it.
    void PlayingSeconds(int seconds) { session.window.encoders.Job(0).playingSeconds = seconds; }
    // A job of row 0 on slot 0 as it was before any line.
    ConversionJob& FreshJob()
    {
        session.window.encoders.Job(0) = ConversionJob {};
        GiveJob(session.window, 0, 0);
        return session.window.encoders.Job(0);
    }
    std::string Percent() const { return list.rows[0].subItems[3]; }
    std::string Status() const { return session.window.jvEditCmdMsg.Text(); }

    TempDir dir;
    Session session;
    MemoryFileList& list;
    ErrorReports reports;
};

TEST_F(Progress, ProgressLinesSetThePercentAndTheStatusLine)
{
    Show(kFirstLine);
    EXPECT_EQ(Percent(), "0%");
    EXPECT_EQ(Status(), kFirstLine);
    Show(kLastLine); // 59 of 60 seconds: 98.3, truncated
    EXPECT_EQ(Percent(), "98%");
    EXPECT_EQ(Status(), kLastLine);
    // Past the playing time the row shows (a source still being recorded, a default
    // shorter than the file) the percentage stops at 100.
    PlayingSeconds(50);
    Show("frame=  780 fps=0.0 q=2.0 size=     900kB time=00:00:52.00 bitrate= 187.6kbits/s speed=40x");
    EXPECT_EQ(Percent(), "100%");
    Show("frame=  780 fps=0.0 q=2.0 size=     900kB time=00:01:04.00 bitrate= 187.6kbits/s speed=40x");
    EXPECT_EQ(Percent(), "100%");
    // Exact arithmetic: a quotient in floating point times 100 would truncate these to
    // one less. A negative time (the first frames, before the start) is no progress and
    // no error; past 99 hours the encoder prints more hour digits.
    for (const auto& [playing, time, percent] :
        { std::tuple { 100, "00:00:29.00", "29%" }, std::tuple { 100, "00:00:57.00", "57%" },
            std::tuple { 100, "-00:00:00.04", "57%" }, std::tuple { 3, "00:00:03.00", "100%" },
            std::tuple { 99 * 3600, "100:00:00.00", "100%" }, std::tuple { 60, "555555555:55:55.00", "100%" } }) {
        PlayingSeconds(playing);
        Show(std::string("frame=  780 fps=0.0 q=2.0 size=     900kB time=") + time + " bitrate= 187.6kbits/s");
        EXPECT_EQ(Percent(), percent) << time << " of " << playing;
    }
    // A source shorter than a second has a playing time of 0: no division, no report.
    PlayingSeconds(0);
    Show(kLastLine);
    EXPECT_EQ(Percent(), "0%");
    EXPECT_TRUE(reports.messages.empty());
}

TEST_F(Progress, TheLineThatSaysWhyAWriteFailedStaysTheReasonAndNoLineWritesTheRow)
{
    const struct {
        const char* what;
        std::vector<const char*> lines; // as the encoder prints them, in order
        const char* reason;
        bool writeFailed, diskFull;
    } cases[] = {
        { "trailer on a full disk",
            { "Error writing trailer of /o/a.3gp: No space left on device", "[aac @ 0x1] Qavg: 150.468",
                "2 frames left in the queue on closing" },
            "Error writing trailer of /o/a.3gp: No space left on device", true, true },
        { "header on a full disk, then the summary without a detail",
            { "Could not write header for output file #0 (incorrect codec parameters ?): No space left on device",
                "Error initializing output stream 0:0 -- ", "[aac @ 0x1] Qavg: 102.568",
                "[aac @ 0x1] 2 frames left in the queue on closing", "Conversion failed!" },
            "Could not write header for output file #0 (incorrect codec parameters ?): No space left on device", true,
            true },
        { "the disk fills midway",
            { "av_interleaved_write_frame(): No space left on device",
                "Error writing trailer of /o/a.3gp: No space left on device",
                "video:1017kB audio:25kB subtitle:0kB other streams:0kB global headers:0kB muxing overhead: unknown",
                "Error closing file /o/a.3gp: No space left on device", "[aac @ 0x1] Qavg: 105.796" },
            "Error closing file /o/a.3gp: No space left on device", true, true },
        { "a write error after a damaged source",
            { "[h264 @ 0x1] error while decoding MB 3 4, bytestream -5", "av_interleaved_write_frame(): Broken pipe",
                "[h264 @ 0x1] error while decoding MB 5 4, bytestream -5" },
            "av_interleaved_write_frame(): Broken pipe", true, false },
        { "a summary with its detail",
            { "[mpeg4 @ 0x1] The encoder timebase is not set.",
                "Error initializing output stream 0:0 -- Error while opening encoder for output stream #0:0" },
            "Error initializing output stream 0:0 -- Error while opening encoder for output stream #0:0", false,
            false },
    };
    for (const auto& c : cases) {
        ConversionJob& job = FreshJob();
        for (const char* line : c.lines)
            Show(line);
        EXPECT_EQ(job.failureLine, c.reason) << c.what;
        EXPECT_EQ(job.writeFailed, c.writeFailed) << c.what;
        EXPECT_EQ(job.outputBlocked, c.diskFull) << c.what;
        EXPECT_EQ(list.rows[0].hint, "") << c.what;
    }
}

// A source whose length the media library cannot tell takes the encoder's reading of its
// input, so that a cut one is still found out; a guessed one is not taken.
TEST_F(Progress, TheEncodersDurationOfItsInputIsTheSourcesLengthOnlyWhenNothingBetterIsKnown)
{
    const char* const input = "  Duration: 00:00:20.00, start: 0.000000, bitrate: 56 kb/s";
    const struct {
        const char* what;
        long long known;
        std::vector<const char*> lines;
        long long length;
    } cases[] = {
        { "unknown", 0, { "Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'cut-caf\xe9.mp4':", input }, 20000 },
        { "known", 21000, { input }, 21000 },
        { "not known to the encoder either", 0, { "  Duration: N/A, start: 0.000000, bitrate: N/A" }, 0 },
        { "guessed from the bit rate", 0,
            { "[mp3 @ 0x1] Estimating duration from bitrate, this may be inaccurate", input }, 0 },
        { "only the first, the input's", 0,
            { "  Duration: N/A, bitrate: N/A", "  Duration: 00:00:20.00, start: 0.000000" }, 0 },
        { "a line about something else", 0, { "[mp4 @ 0x1] Duration: 00:00:20.00 of a stream" }, 0 },
        { "read in two pieces", 0, { "  Duration: 00:00:2", input }, 20000 },
    };
    for (const auto& c : cases) {
        ConversionJob& job = FreshJob();
        job.sourceMilliseconds = c.known;
        for (const char* line : c.lines)
            Show(line);
        EXPECT_EQ(job.sourceMilliseconds, c.length) << c.what;
    }
}

TEST_F(Progress, OtherLinesAreNotedAsTheReasonAndNeverThePercent)
{
    Show("[h263 @ 0x55d1] warning, clipping 1 dct coefficients to -127..127");
    Show("FRAME=    1 fps=0.0 time=00:00:30.00");
    Show("  frame=    1 fps=0.0 time=00:00:30.00");
    Show("/clips/a.mp4: Invalid data found when processing input");
    Show(progress::kConversionFailed);
    Show("size=     120kB time=00:00:30.00 bitrate= 32.0kbits/s speed=60x");
    Show("");
    EXPECT_EQ(session.window.encoders.Job(0).failureLine, "/clips/a.mp4: Invalid data found when processing input");
    EXPECT_EQ(Percent(), "0%");
    EXPECT_EQ(Status(), "");
    EXPECT_TRUE(reports.messages.empty());
}

TEST_F(Progress, AnUnknownTimeIsShownButNotReportedAndAnUnreadableOneIsReportedOnce)
{
    Show(kLastLine);
    const char* const unknown = "frame=    0 fps=0.0 q=0.0 size=       0kB time=N/A bitrate=N/A speed=N/A    ";
    Show(unknown);
    EXPECT_EQ(Percent(), "98%");
    EXPECT_EQ(Status(), unknown);
    EXPECT_TRUE(reports.messages.empty());

    // A line read before the encoder finished writing it, cut before or inside its time,
    // is completed by the next piece: no report, nothing changes.
    for (const char* cut : { "frame=   12 fps=0.0 q=2.0 size=      70kB", "frame=   12 fps=0.0 q=2.0 time=00:0" })
        Show(cut);
    EXPECT_TRUE(reports.messages.empty());
    EXPECT_EQ(Status(), unknown);

    // A whole time that is no number is reported. While that report's box is open, the
    // lines that keep arriving are not reported.
    const char* const unreadable = "frame=   12 fps=0.0 q=2.0 size=      70kB time=0x:00:01.00 bitrate=1";
    int nested = 0;
    SetErrorReportSink([&](const std::string&, const std::string& message) {
        reports.messages.push_back(message);
        if (nested++ < 3)
            Show(unreadable);
    });
    Show(unreadable);
    EXPECT_EQ(reports.messages, std::vector<std::string> { "'0x' is not a valid integer value." });
    EXPECT_EQ(Percent(), "98%");
    EXPECT_EQ(Status(), unknown);
    // The box is closed again: the next unreadable line is reported.
    Show(unreadable);
    EXPECT_EQ(reports.messages.size(), 2u);
}

// The written length decides whether a finished file is whole without reading it again:
// read too long, a cut source would pass; too short, a whole one would fail.
TEST_F(Progress, TheLengthTheEncoderReportsWrittenIsReadToTheMillisecondOrNotAtAll)
{
    const struct {
        const char* line;
        long long milliseconds;
    } rows[] = {
        { kLastLine, 59060 },
        { "frame=   25 fps=0.0 q=2.0 Lsize=      9kB time=00:00:00.96 bitrate= 75.2kbits/s", 960 },
        { "size=     120kB time=01:02:03.5 bitrate= 32.0kbits/s speed=60x", 3723500 }, // no pictures
        { "frame=    0 fps=0.0 q=0.0 size=       0kB time=N/A bitrate=N/A", -1 },
        { "frame=    1 fps=0.0 q=0.0 size=       0kB time=-00:00:00.04 bitrate=N/A", -1 },
        { "frame=   12 fps=0.0 q=2.0 size=      70kB time=00:00:01.9", -1 }, // still being written
        { "[mp4 @ 0x1] Error at time=00:00:05.00 here", -1 },
    };
    for (const auto& row : rows)
        EXPECT_EQ(progress::WrittenMilliseconds(row.line), row.milliseconds) << row.line;
    // The job keeps the last length reported; a line without one leaves it.
    Show(rows[1].line);
    Show(rows[3].line);
    EXPECT_EQ(session.window.encoders.Job(0).writtenMilliseconds, 960);
}

TEST_F(Progress, NothingChangesWhileTheEncoderHasNoRow)
{
    // No job, and a job whose row has left the list since it started.
    const std::uint64_t gone = session.window.batch.Append("/clips/gone.mp4", 1000);
    session.window.batch.Remove(1);
    for (const std::uint64_t rowId : { std::uint64_t { 0 }, gone }) {
        session.window.encoders.Job(0) = ConversionJob {};
        session.window.encoders.Job(0).rowId = rowId;
        Show(kLastLine);
        Show("frame=   12 fps=0.0 q=2.0 size=      70kB");
        Show("an error");
    }
    EXPECT_EQ(Percent(), "0%");
    EXPECT_EQ(session.window.encoders.Job(0).lastLine, "");
    EXPECT_TRUE(reports.messages.empty());
}

TEST(OutputNames, ALaterRowWithTheSameNameGetsTheLowestFreeNumber)
{
    using Names = std::vector<std::string>;
    // 252 bytes, with the middle of a two-byte character where a cut to 208 would fall.
    const std::string longName = std::string(101, 'x') + "\xc3\xbc" + std::string(149, 'y');
    const std::string cut = std::string(101, 'x') + "\xe2\x80\xa6" + std::string(103, 'y');
    const std::pair<Names, Names> cases[] = {
        { { "/a/a.mp4", "/b/a.avi", "/c/a (2).mkv", "/a/a.mp4", "/d/a.3gp", "/e/.hidden", "/f/x.y.z" },
            { "a", "a (2)", "a (2) (2)", "a (3)", "a (4)", ".hidden", "x.y" } },
        { { "/x/a.mp4", "/x/a (2).mp4", "/x/a (3).mp4", "/y/a.mp4" }, { "a", "a (2)", "a (3)", "a (4)" } },
        // Too long for the folder: cut in the middle, at a character's edge.
        { { "/l/" + longName + ".mp4", "/m/" + longName + ".avi" }, { cut, cut + " (2)" } },
    };
    for (const auto& [paths, expected] : cases) {
        BatchModel model;
        for (const std::string& path : paths)
            model.Append(path, 0);
        Names names;
        for (int row = 0; row < model.Count(); ++row)
            names.push_back(
                command_line::UniqueOutputName(model, row, command_line::BaseName(model.Row(row).source), 208));
        EXPECT_EQ(names, expected);
    }
    // A name exactly at the limit is whole; a byte more is cut, never inside a character.
    const std::pair<std::string, std::string> fits[] = {
        { std::string(208, 'n'), std::string(208, 'n') },
        { std::string(209, 'n'), std::string(102, 'n') + "\xe2\x80\xa6" + std::string(103, 'n') },
        { std::string(206, 'n') + "\xc3\xbc", std::string(206, 'n') + "\xc3\xbc" },
        { std::string(101, 'n') + "\xc3\xbc" + std::string(107, 'n'),
            std::string(101, 'n') + "\xe2\x80\xa6" + std::string(103, 'n') },
    };
    for (const auto& [name, fitted] : fits)
        EXPECT_EQ(command_line::FitName(name, 208), fitted) << name.size();
}

TEST(OutputNames, TheSameFileIsTheSameDeviceAndInodeHoweverSpelled)
{
    TempDir dir;
    const std::string file = dir.File("a.mp4");
    std::ofstream(file) << "x";
    std::filesystem::create_symlink(file, dir.File("link.mp4"));
    // Two folders with the same inode number on two file systems.
    ASSERT_EQ(std::filesystem::status("/proc").type(), std::filesystem::file_type::directory);
    const std::tuple<std::string, std::string, bool> cases[] = {
        { file, dir.Path().string() + "//a.mp4", true },
        { file, dir.File("link.mp4"), true },
        { file, dir.File("missing.mp4"), false },
        { "/proc", "/sys", false },
    };
    for (const auto& [a, b, same] : cases)
        EXPECT_EQ(command_line::SameFile(a, b), same) << a << " " << b;
}

} // namespace
} // namespace ondrevo::testing
