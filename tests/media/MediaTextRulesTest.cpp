// How the library's size and duration texts become the file list's and the panel's.

#include "media/MediaTextRules.h"

#include <gtest/gtest.h>

namespace ondrevo {
namespace {

TEST(PlayingTimeText, KeepsTheFirstEightCharactersOrTheDefault)
{
    EXPECT_EQ(PlayingTimeText("00:00:02.084", kAddedPlayingTimeDefault), "00:00:02");
    EXPECT_EQ(PlayingTimeText("01:02:03", kAddedPlayingTimeDefault), "01:02:03");
    EXPECT_EQ(PlayingTimeText("0:02", kAddedPlayingTimeDefault), "0:02");
    EXPECT_EQ(PlayingTimeText("", kAddedPlayingTimeDefault), "02:50:00");
    EXPECT_EQ(PlayingTimeText("", kDetailsPlayingTimeDefault), "02:00:00");
}

TEST(SizeText, CutsTheUnitOfMebibyteTexts)
{
    EXPECT_EQ(SizeText("86.05 MiB"), "86.05 MB");
    EXPECT_EQ(SizeText("1 000.0 MiB", "1048576000"), "1 000.0 MB");
    EXPECT_FALSE(SizeTextNeedsByteCount("5.000 MiB"));
    // A file the library cannot read has no size text at all.
    EXPECT_EQ(SizeText(""), "MB");
    EXPECT_EQ(SizeText("MiB"), "MB");
    EXPECT_FALSE(SizeTextNeedsByteCount(""));
}

TEST(SizeText, OtherUnitsAreComputedFromTheByteCount)
{
    // Cutting three characters would give "4.883 MB" for 4.883 KiB, "1.234 MB" for
    // 1.234 GiB and "0.000 BMB" for an empty file.
    EXPECT_TRUE(SizeTextNeedsByteCount("4.883 KiB"));
    EXPECT_EQ(SizeText("4.883 KiB", "5000"), "0.005 MB");
    EXPECT_EQ(SizeText("0.000 Byte", "0"), "0.000 MB");
    EXPECT_EQ(SizeText("1 024.0 KiB", "1048575"), "1.000 MB");
    EXPECT_EQ(SizeText("1.234 GiB", "1325000000"), "1263.618 MB");
    EXPECT_EQ(SizeText("10.00 TiB", "10995116277760"), "10485760.000 MB");
    // Without a usable byte count the text is cut like a MiB text.
    EXPECT_EQ(SizeText("4.883 KiB", ""), "4.883 MB");
    EXPECT_EQ(SizeText("4.883 KiB", "5 000"), "4.883 MB");
}

TEST(SizeText, ComputedTextMatchesTheLibrarysMebibyteText)
{
    // Where the library itself gives three decimals the two ways agree.
    EXPECT_EQ(MegabytesText(5242880), SizeText("5.000 MiB"));
    EXPECT_EQ(MegabytesText(1100000), SizeText("1.049 MiB"));
}

} // namespace
} // namespace ondrevo
