// The open dialog's data: filter entries as the widget takes them, and what it remembers.

#include "media/OpenDialogFilters.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace ondrevo {
namespace {

TEST(OpenDialogFilters, EntriesInOrderAsNameFilters)
{
    EXPECT_STREQ(kOpenDialogTitle, "Add video files");
    ASSERT_EQ(kOpenDialogFilters.size(), 14u);
    EXPECT_EQ(NameFilter(kOpenDialogFilters[0]),
        "all video files (*.mp4 *.asf *.avi *.qt *.vob *.mov *.flv *.mpq "
        "*.wmv *.3gp *.3g2 *.rm *.rmvb)");
    EXPECT_EQ(FilterPatterns(kOpenDialogFilters[0]).size(), 13u);
    EXPECT_EQ(NameFilter(kOpenDialogFilters[6]), "rm video file (*.rm)");
    EXPECT_EQ(NameFilter(kOpenDialogFilters[13]), "3g2 video file (*.3g2)");
    // Every single-type entry is one of the patterns of the first.
    const auto all = FilterPatterns(kOpenDialogFilters[0]);
    for (std::size_t i = 1; i < kOpenDialogFilters.size(); ++i)
        EXPECT_NE(std::find(all.begin(), all.end(), kOpenDialogFilters[i].pattern), all.end()) << i;
}

TEST(OpenDialogFilters, FindsAnEntryByLabelOrNameFilter)
{
    EXPECT_EQ(FindOpenDialogFilter("all video files"), 0);
    EXPECT_EQ(FindOpenDialogFilter("wmv video file (*.wmv)"), 11);
    EXPECT_EQ(FindOpenDialogFilter("wmv video file (*.avi)"), -1);
    EXPECT_EQ(FindOpenDialogFilter(""), -1);
}

TEST(OpenDialogMemory, RemembersTheLastAcceptedChoice)
{
    OpenDialogMemory memory;
    EXPECT_EQ(memory.FilterIndex(), 0);
    EXPECT_EQ(memory.FileName(), "");
    memory.Accept(12, "/videos/a.3gp");
    EXPECT_EQ(memory.FilterIndex(), 12);
    EXPECT_EQ(memory.FileName(), "/videos/a.3gp");
    // An unknown filter keeps the one before; the file name is still taken.
    memory.Accept(-1, "/videos/b.mp4");
    EXPECT_EQ(memory.FilterIndex(), 12);
    EXPECT_EQ(memory.FileName(), "/videos/b.mp4");
}

} // namespace
} // namespace ondrevo
