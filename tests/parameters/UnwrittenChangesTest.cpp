// Merging the file-list changes that its journal has not written yet: what was kept from
// a failed write, followed by what came meanwhile, is written as one.

#include "parameters/UnwrittenChanges.h"

#include <gtest/gtest.h>

namespace ondrevo::testing {
namespace {

JournalRow Row(int position)
{
    JournalRow row;
    row.position = position;
    row.caption = "/clips/" + std::to_string(position) + ".mp4";
    return row;
}

UnwrittenChanges Changes(bool wholeList, int rows, std::vector<std::string> folders = {})
{
    ListChange change { wholeList, {}, std::move(folders) };
    for (int i = 0; i < rows; ++i)
        change.rows.push_back(Row(i));
    UnwrittenChanges changes;
    changes.Add(std::move(change));
    return changes;
}

std::vector<int> Positions(const UnwrittenChanges& changes)
{
    std::vector<int> positions;
    for (const auto& [position, row] : changes.rows)
        positions.push_back(position);
    return positions;
}

TEST(UnwrittenChanges, ALaterChangeDecidesTheRowsAndTheListsEndAndAnEndRemovesEverything)
{
    UnwrittenChanges ended;
    ended.end = true;
    struct Case {
        const char* what;
        UnwrittenChanges earlier;
        UnwrittenChanges later;
        std::vector<int> rows;
        std::optional<int> cutAt;
        bool end;
    };
    const Case cases[] = {
        { "rows changed, then rows changed", Changes(false, 5), Changes(false, 2), { 0, 1, 2, 3, 4 }, {}, false },
        { "five rows, then a list of two", Changes(false, 5), Changes(true, 2), { 0, 1 }, 2, false },
        { "five rows, then a cleared list", Changes(true, 5), Changes(true, 0), {}, 0, false },
        { "a list of two, then five rows", Changes(true, 2), Changes(true, 5), { 0, 1, 2, 3, 4 }, 2, false },
        { "rows, then the session's end", Changes(true, 3), ended, {}, {}, true },
        { "the session's end, then rows", ended, Changes(true, 3), {}, {}, true },
    };
    for (const Case& c : cases) {
        UnwrittenChanges merged = c.earlier;
        merged.Add(c.later);
        EXPECT_EQ(Positions(merged), c.rows) << c.what;
        EXPECT_EQ(merged.cutAt, c.cutAt) << c.what;
        EXPECT_EQ(merged.end, c.end) << c.what;
    }
}

TEST(UnwrittenChanges, TheFoldersOfPartsAddUpAndAloneAreSomethingToWrite)
{
    UnwrittenChanges merged = Changes(false, 0, { "/old" });
    EXPECT_FALSE(merged.Empty());
    merged.Add(Changes(false, 0, { "/new", "/old" }));
    EXPECT_EQ(merged.partFolders, (std::set<std::string> { "/new", "/old" }));
}

} // namespace
} // namespace ondrevo::testing
