// The mini player's texts and rules without a player: time texts, status-line parsing,
// the position bar's rules, and the window handlers fed with lines by hand.

#include "base/Errors.h"
#include "base/HandlerDispatch.h"
#include "base/PlainEventLoop.h"
#include "player/TMplayerFunc.h"
#include "support/MemoryPlayer.h"

#include <gtest/gtest.h>

namespace ondrevo {
namespace {

using namespace testing;

TEST(SecondsToTimeText, LeadingZeroBeforeTheHoursAndTwoDigitsAfter)
{
    EXPECT_EQ(TMplayerFunc::SecondsToTimeText(0), "00:00:00");
    EXPECT_EQ(TMplayerFunc::SecondsToTimeText(59), "00:00:59");
    EXPECT_EQ(TMplayerFunc::SecondsToTimeText(3725), "01:02:05");
    EXPECT_EQ(TMplayerFunc::SecondsToTimeText(36000), "010:00:00");
    EXPECT_EQ(TMplayerFunc::SecondsToTimeText(-1), "00:00:00");
    EXPECT_EQ(TMplayerFunc::SecondsToTimeText(-3725), "00:00:00");
}

TEST(ParsePosition, WholeSecondsOfStatusLinesWithAndWithoutSound)
{
    const std::pair<std::string, int> table[] = {
        { "A:   2.6 V:   2.6 A-V: -0.000 ct: -0.023   0/  0  0%  0%  0.2% 0 0 \x1b[J", 2 },
        { "A:  12.3 V:  12.3 A-V:", 12 },
        { "A: 125.0 V: 125.0", 125 },
        { "A:1000.0 V:1000.0", 1000 },
        { "A:10001.0 V:10000.9 A-V:  0.049", 10001 }, // the number outgrows its four characters
        { "A:  -0.2 V:   0.0 A-V:", 0 },
        { "A: -12.3", -12 },
        { "A: 7", 7 }, // fewer than four characters after the tag
        { "A:   0.2 (00.1) of 4.0 (04.0) ??,?% ", 0 }, // sound only
        { "V:   1.3   0/  0  0%  0%  0.0% 0 0 ", 1 }, // no sound
        { "V:10000.9   0/  0", 10000 },
        { "", 0 },
        { "A", 0 },
        { "a:   2.6", 0 },
        { " A:   2.6", 0 },
        { "ID_LENGTH=2.00", 0 },
        { "Exiting... (End of file)", 0 },
    };
    for (const auto& [line, seconds] : table)
        EXPECT_EQ(TMplayerFunc::ParsePosition(line), seconds) << line;
}

TEST(ParsePosition, TextThatIsNoWholeNumberFailsWithTheTrimmedText)
{
    const std::pair<std::string, std::string> table[] = {
        { "A:1.25", "'1.25' is not a valid integer value" },
        { "A:", "'' is not a valid integer value" },
        { "A:  \x1b[J", "'[' is not a valid integer value" }, // ESC counts as a control character
        { "V:x", "'x' is not a valid integer value" },
    };
    for (const auto& [line, message] : table) {
        try {
            TMplayerFunc::ParsePosition(line);
            ADD_FAILURE() << "no error for " << line;
        } catch (const EConvertError& error) {
            EXPECT_EQ(error.what(), message);
        }
    }
}

TEST(PlayerArguments, TheCommandLineSplitAtSpacesWithThePathWhole)
{
    EXPECT_EQ(TMplayerFunc::PlayerArguments("/opt/o/bin/mplayer", 4194311, "/v/my 'clip\" ü.mp4"),
        (std::vector<std::string> { "/opt/o/bin/mplayer", "-slave", "-identify", "-wid", "4194311", "-colorkey",
            "0x101010", "-framedrop", "-autosync", "100", "-vf", "screenshot", "/v/my 'clip\" ü.mp4" }));
    EXPECT_EQ(TMplayerFunc::PlayerArguments("p", 4294967295u, "f")[4], "4294967295");
}

TEST(PositionBar, IgnoresMaximaNotAboveZeroAndPositionsOutsideTheRange)
{
    MemoryPositionBar bar;
    bar.SetPosition(40);
    bar.SetMax(0);
    bar.SetMax(-5);
    EXPECT_EQ(bar.Max(), 100);
    bar.SetPosition(101);
    bar.SetPosition(-1);
    EXPECT_EQ(bar.Position(), 40);
    bar.SetPosition(100);
    EXPECT_EQ(bar.Position(), 100);
    // A maximum below the position takes the position with it.
    bar.SetMax(30);
    EXPECT_EQ(bar.Max(), 30);
    EXPECT_EQ(bar.Position(), 30);
    bar.SetMax(10200);
    EXPECT_EQ(bar.Position(), 30);
    EXPECT_EQ(bar.positions, (std::vector<int> { 40, 100, 30 }));
}

class PlayerHandlers : public ::testing::Test {
protected:
    PlayerHandlers() { MplayerFrm = &window; }
    ~PlayerHandlers() override
    {
        MplayerFrm = nullptr;
        SetReportTextSink(previous);
    }

    PlainEventLoop loop;
    MemoryMplayerWindow window { loop };
    std::vector<std::string> reports;
    const ReportTextSink previous = SetReportTextSink([this](const std::string& text) { reports.push_back(text); });
};

TEST_F(PlayerHandlers, StatusLinesMoveTheLabelAndBarOtherLinesResetThem)
{
    struct Step {
        std::string line, label;
        int position;
    };
    const Step steps[] = {
        { "A:3725.0 V:3725.0 A-V: 0.000", "01:02:05", 3725 }, { "", "00:00:00", 0 },
        { "V:   7.9   0/  0", "00:00:07", 7 },
        { "A: -12.3", "00:00:00", 7 }, // shown as zero; the bar ignores a negative position
    };
    window.jvColorTrkBar.SetMax(10200);
    for (const Step& step : steps) {
        window.handlers.JvCmdProcRead(step.line, false);
        EXPECT_EQ(window.jvLabBgTime.caption, step.label) << step.line;
        EXPECT_EQ(window.jvColorTrkBar.position, step.position) << step.line;
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(PlayerHandlers, AnUnreadablePositionIsReportedAndChangesNothing)
{
    window.handlers.JvCmdProcRead("A:   4.0", false);
    Dispatch([this] { window.handlers.JvCmdProcRead("A:1.25", false); });
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], "'1.25' is not a valid integer value.");
    EXPECT_EQ(window.jvLabBgTime.caption, "00:00:04");
    EXPECT_EQ(window.jvColorTrkBar.position, 4);
}

TEST_F(PlayerHandlers, AStatusLineCutBeforeItsNumberEndsChangesNothing)
{
    window.jvColorTrkBar.SetMax(100);
    window.handlers.JvCmdProcRead("A:  42.0 V:  42.0", false);
    for (const char* cut : { "A:", "V:   ", "A:  -", "A:  4", "V:  42" }) {
        window.handlers.JvCmdProcRead(cut, false);
        EXPECT_EQ(window.jvLabBgTime.caption, "00:00:42") << cut;
        EXPECT_EQ(window.jvColorTrkBar.position, 42) << cut;
    }
    EXPECT_TRUE(reports.empty());
    // Once the number has its decimal point, the line counts again.
    window.handlers.JvCmdProcRead("V:  43.", false);
    EXPECT_EQ(window.jvColorTrkBar.position, 43);
}

TEST_F(PlayerHandlers, ThePlayersEndResetsOnlyThePositionLabel)
{
    window.jvLabEdTime.caption = "00:00:02";
    window.jvColorTrkBar.SetMax(2);
    window.handlers.JvCmdProcRead("A:   2.0 V:   1.9", false);
    window.handlers.JvCmdProcTerminate(0);
    EXPECT_EQ(window.jvLabBgTime.caption, "00:00:00");
    EXPECT_EQ(window.jvLabEdTime.caption, "00:00:02");
    EXPECT_EQ(window.jvColorTrkBar.position, 2);
}

} // namespace
} // namespace ondrevo
