// The open dialog's data: filter entries as the widget takes them, and what it remembers.

#include "media/OpenDialogFilters.h"

#include "media/FileAdder.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace ondrevo {
namespace {

TEST(OpenDialogFilters, TheFourteenEntriesKeepTheirPlacesAndAllFilesComesLast)
{
    EXPECT_STREQ(kOpenDialogTitle, "Add video files");
    ASSERT_EQ(kOpenDialogFilters.size(), 15u);
    const char* labels[] = { "all video files", "mp4 video file", "asf video file", "avi video file", "qt video file",
        "vob video file", "rm video file", "rmvb video file", "flv video file", "mov video file", "mpq video file",
        "wmv video file", "3gp video file", "3g2 video file", "all files" };
    for (std::size_t i = 0; i < kOpenDialogFilters.size(); ++i)
        EXPECT_STREQ(kOpenDialogFilters[i].label, labels[i]) << i;
    EXPECT_EQ(NameFilter(kOpenDialogFilters[6]), "rm video file (*.rm)");
    EXPECT_EQ(NameFilter(kOpenDialogFilters[13]), "3g2 video file (*.3g2)");
    EXPECT_EQ(NameFilter(kOpenDialogFilters[14]), "all files (*)");

    // The first entry keeps its thirteen types in their order and adds today's kinds.
    const auto all = FilterPatterns(kOpenDialogFilters[0]);
    const std::vector<std::string> first13(all.begin(), all.begin() + 13);
    EXPECT_EQ(first13,
        (std::vector<std::string> { "*.mp4", "*.asf", "*.avi", "*.qt", "*.vob", "*.mov", "*.flv", "*.mpq", "*.wmv",
            "*.3gp", "*.3g2", "*.rm", "*.rmvb" }));
    for (const char* type : { "*.mkv", "*.webm", "*.m4v", "*.mpg", "*.mpeg", "*.ts", "*.m2ts", "*.mts", "*.ogv",
             "*.mod", "*.tod", "*.mxf" })
        EXPECT_NE(std::find(all.begin(), all.end(), type), all.end()) << type;
    // Every single-type entry is one of the patterns of the first; no pattern twice.
    for (std::size_t i = 1; i < 14; ++i)
        EXPECT_NE(std::find(all.begin(), all.end(), kOpenDialogFilters[i].pattern), all.end()) << i;
    for (const std::string& pattern : all)
        EXPECT_EQ(std::count(all.begin(), all.end(), pattern), 1) << pattern;
}

TEST(OpenDialogFilters, FindsAnEntryByLabelOrNameFilter)
{
    EXPECT_EQ(FindOpenDialogFilter("all video files"), 0);
    EXPECT_EQ(FindOpenDialogFilter("wmv video file (*.wmv)"), 11);
    EXPECT_EQ(FindOpenDialogFilter("wmv video file (*.avi)"), -1);
    EXPECT_EQ(FindOpenDialogFilter("all files (*)"), 14);
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
    memory.Accept(14, "/videos/notes.txt");
    EXPECT_EQ(memory.FilterIndex(), 14);
    memory.Accept(15, "/videos/c.mkv");
    EXPECT_EQ(memory.FilterIndex(), 14);
}

TEST(OpenDialogFilters, TheThirdGenerationPartnershipSpellingsAreVideoFilesInAnyCase)
{
    // The dialog's first entry offers them, and a dropped folder finds them by the same
    // patterns, whatever the case of the extension.
    const struct {
        const char* name;
        bool video;
    } rows[] = {
        { "a.3gp", true },
        { "b.3gpp", true },
        { "c.3g2", true },
        { "d.3gp2", true },
        { "E.3GPP", true },
        { "f.3Gp2", true },
        { "g.3G2", true },
        // Only the end counts; a bare extension is a hidden file's name, not a type.
        { "h.3gp2.txt", false },
        { "i.3gp22", false },
        { ".3gp2", false },
        { "j3gp2", false },
    };
    for (const auto& row : rows)
        EXPECT_EQ(file_list::IsVideoFileName(row.name), row.video) << row.name;
}

} // namespace
} // namespace ondrevo
