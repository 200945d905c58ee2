// The names of the output files: one per row, numbered when a name is taken, cut to fit
// the folder; and when two spellings name the same file.

#include "conversion/CommandLine.h"
#include "support/MemoryControls.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <tuple>

namespace ondrevo::testing {
namespace {

TEST(OutputNames, ALaterRowWithTheSameNameGetsTheLowestFreeNumber)
{
    MemoryFileList list;
    using Names = std::vector<std::string>;
    // 252 bytes, with the middle of a two-byte character where a cut to 208 would fall.
    const std::string longName = std::string(101, 'x') + "\xc3\xbc" + std::string(149, 'y');
    const std::string cut = std::string(101, 'x') + "\xe2\x80\xa6" + std::string(103, 'y');
    const std::pair<Names, Names> cases[] = {
        { { "/a/a.mp4", "/b/a.avi", "/c/a (2).mkv", "/a/a.mp4", "/d/a.3gp", "/e/.hidden", "/f/x.y.z" },
            { "a", "a (2)", "a (2) (2)", "a", "a (3)", ".hidden", "x.y" } },
        { { "/x/a.mp4", "/x/a (2).mp4", "/x/a (3).mp4", "/y/a.mp4" }, { "a", "a (2)", "a (3)", "a (4)" } },
        // Too long for the folder: cut in the middle, at a character's edge.
        { { "/l/" + longName + ".mp4", "/m/" + longName + ".avi" }, { cut, cut + " (2)" } },
    };
    for (const auto& [paths, expected] : cases) {
        MemoryFileList list;
        for (const std::string& path : paths)
            list.AppendRow(path, 15, {});
        Names names;
        for (int row = 0; row < list.RowCount(); ++row)
            names.push_back(command_line::UniqueOutputName(list, row, command_line::BaseName(list.Caption(row)), 208));
        EXPECT_EQ(names, expected);
    }
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
