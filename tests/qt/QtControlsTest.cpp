// The list, the details panel and the edit keep exactly what the logic wrote, show it,
// and refuse rows that do not exist.

#include "app/qt/GridItemDelegate.h"
#include "app/qt/ImageList.h"
#include "app/qt/QtDetailsPanel.h"
#include "app/qt/QtEdit.h"
#include "app/qt/QtFileList.h"
#include "base/Errors.h"
#include "support/MemoryControls.h"

#include <gtest/gtest.h>

namespace ondrevo::testing {
namespace {

QImage Image(const QIcon& icon)
{
    return icon.pixmap(16).toImage();
}

TEST(QtEditChange, TheSameTextFiresNothingAnotherFiresBeforeTheSetterReturnsAndBytesComeBackUnchanged)
{
    QtEdit edit("-1");
    std::vector<std::string> seen;
    edit.OnChange = [&] { seen.push_back(edit.Text()); };
    edit.SetText("-1");
    EXPECT_TRUE(seen.empty());
    edit.SetText("0");
    EXPECT_EQ(seen, std::vector<std::string> { "0" });
    EXPECT_EQ(edit.text(), "0");
    edit.SetText("0");
    EXPECT_EQ(seen.size(), 1u);
    // A text that is not UTF-8 comes back byte for byte.
    const std::string latin1 = "/v\xe9"
                               "deo";
    edit.SetText(latin1);
    EXPECT_EQ(edit.Text(), latin1);
}

TEST(QtEditChange, AnErrorInTheHandlerIsReportedAndTheSetterReturns)
{
    ErrorReports reports;
    QtEdit edit;
    edit.OnChange = [] { throw Exception("'x' is not a valid integer value"); };
    edit.SetText("x");
    EXPECT_EQ(edit.Text(), "x");
    EXPECT_EQ(reports.messages, std::vector<std::string> { "'x' is not a valid integer value." });
}

class QtLists : public ::testing::Test {
protected:
    ImageList images;
};

TEST_F(QtLists, FileListShowsRowsAsWrittenAndKeepsThemExactly)
{
    QtFileList list(images);
    const std::string odd = "/videos/it's \"odd\" \xff.avi";
    list.AppendRow("/videos/a b.mp4", 15, { "mp4", "1.2MB", "00:00:02", "0%" });
    list.AppendRow(odd, 15, { "avi", "MB", "02:50:00", "0%" });
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.Caption(1), odd);
    EXPECT_EQ(list.topLevelItem(0)->text(0), "/videos/a b.mp4");
    EXPECT_EQ(list.topLevelItem(0)->text(3), "00:00:02");
    EXPECT_EQ(Image(list.topLevelItem(0)->icon(0)), Image(images.Icon(15)));

    list.SetSubItem(0, 3, "42%");
    list.SetImageIndex(0, 3);
    EXPECT_EQ(list.SubItem(0, 3), "42%");
    EXPECT_EQ(list.topLevelItem(0)->text(4), "42%");
    EXPECT_EQ(list.ImageIndex(0), 3);
    EXPECT_EQ(Image(list.topLevelItem(0)->icon(0)), Image(images.Icon(3)));
    EXPECT_EQ(list.SubItem(1, 2), "02:50:00");

    // A row's hint shows over every cell; the caption's own tooltip keeps the path.
    list.SetRowHint(1, "Invalid data found when processing input");
    EXPECT_EQ(list.RowHint(1), "Invalid data found when processing input");
    EXPECT_EQ(list.topLevelItem(1)->toolTip(4), "Invalid data found when processing input");
    EXPECT_TRUE(list.topLevelItem(1)->toolTip(0).startsWith("/videos/it's"));
    list.SetRowHint(1, "");
    EXPECT_EQ(list.topLevelItem(1)->toolTip(4), "");
    EXPECT_EQ(list.RowHint(0), "");
}

TEST(PercentBar, FillsByThePercentageAndStopsAtFull)
{
    EXPECT_EQ(GridItemDelegate::PercentFill("0%"), 0.0);
    EXPECT_EQ(GridItemDelegate::PercentFill("41%"), 0.41);
    EXPECT_EQ(GridItemDelegate::PercentFill("104%"), 1.0);
    EXPECT_EQ(GridItemDelegate::PercentFill("-3%"), 0.0);
    EXPECT_EQ(GridItemDelegate::PercentFill("00:00:02"), 0.0);
}

TEST_F(QtLists, FileListRefusesRowsAndSubItemsThatDoNotExist)
{
    QtFileList list(images);
    EXPECT_THROW(list.Caption(0), Exception);
    list.AppendRow("/a.mp4", 15, { "mp4", "1MB", "00:00:01", "0%" });
    EXPECT_THROW(list.Caption(1), Exception);
    EXPECT_THROW(list.Caption(-1), Exception);
    EXPECT_THROW(list.SubItem(0, 4), Exception);
    EXPECT_THROW(list.SetSubItem(0, -1, "x"), Exception);
    EXPECT_THROW(list.SetImageIndex(2, 11), Exception);
    EXPECT_THROW(list.DeleteRow(1), Exception);
    EXPECT_EQ(list.RowCount(), 1);
}

TEST_F(QtLists, FileListSelectionFollowsDeletes)
{
    QtFileList list(images);
    for (const char* path : { "/a.mp4", "/b.mp4", "/c.mp4" })
        list.AppendRow(path, 15, { "mp4", "1MB", "00:00:01", "0%" });
    EXPECT_EQ(list.Selected(), -1);
    list.setCurrentItem(list.topLevelItem(2));
    EXPECT_EQ(list.Selected(), 2);
    list.DeleteRow(0);
    EXPECT_EQ(list.Selected(), 1);
    EXPECT_EQ(list.Caption(list.Selected()), "/c.mp4");
    list.DeleteRow(1);
    EXPECT_EQ(list.Selected(), -1);
    list.DeleteAllRows();
    EXPECT_EQ(list.RowCount(), 0);
}

TEST_F(QtLists, DetailsPanelShowsTheFirstSubItemOfARowInTheValueColumn)
{
    QtDetailsPanel panel(images);
    panel.AppendSubItem(8, "176x144");
    panel.AppendSubItem(8, "extra");
    EXPECT_EQ(panel.SubItems(8), (std::vector<std::string> { "176x144", "extra" }));
    EXPECT_EQ(panel.topLevelItem(8)->text(1), "176x144");
    EXPECT_EQ(panel.topLevelItem(8)->text(0), "Video Size");
    panel.ClearSubItems(8);
    EXPECT_TRUE(panel.SubItems(8).empty());
    EXPECT_TRUE(panel.topLevelItem(8)->text(1).isEmpty());
    panel.AppendSubItem(1, "");
    EXPECT_EQ(panel.SubItems(1), std::vector<std::string> { "" });
    EXPECT_THROW(panel.AppendSubItem(16, "x"), Exception);
    EXPECT_THROW(panel.ClearSubItems(-1), Exception);
    EXPECT_THROW(panel.SubItems(16), Exception);
}

} // namespace
} // namespace ondrevo::testing
