// What assistive technology reads of the report lists and the open dialog's detail view,
// and that reading them again and again, then clearing them, leaves nothing behind.

#include "QtTestSupport.h"

#include "app/qt/FlatTreeAccessible.h"
#include "app/qt/QtFileList.h"

#include <QAccessible>
#include <QFileDialog>
#include <QTreeView>

#include <fstream>

namespace ondrevo::testing {
namespace {

using FlatTree = MainWindowTest;

const std::vector<std::string> kRow = { "mp4", "1.2MB", "00:00:02", "0%" };

QAccessibleInterface* Node(QObject* object)
{
    return QAccessible::queryAccessibleInterface(object);
}

// What QAccessible::updateAccessibility does with a view's table event while a bridge is
// on (the offscreen platform has none).
void Tell(QAbstractItemView* view, QAccessibleTableModelChangeEvent::ModelChangeType type)
{
    QAccessibleTableModelChangeEvent event(view, type);
    Node(view)->tableInterface()->modelChange(&event);
}

// The ids of every cell of the list, read as a screen reader reads them.
std::vector<QAccessible::Id> ReadEveryCell(QAccessibleInterface* list)
{
    std::vector<QAccessible::Id> ids;
    QAccessibleTableInterface* table = list->tableInterface();
    for (int row = 0; row < table->rowCount(); ++row)
        for (int column = 0; column < table->columnCount(); ++column) {
            QAccessibleInterface* cell = table->cellAt(row, column);
            EXPECT_FALSE(cell->text(QAccessible::Name).isEmpty());
            ids.push_back(QAccessible::uniqueId(cell));
        }
    return ids;
}

int Registered(const std::vector<QAccessible::Id>& ids)
{
    return static_cast<int>(std::count_if(
        ids.begin(), ids.end(), [](QAccessible::Id id) { return QAccessible::accessibleInterface(id) != nullptr; }));
}

TEST_F(FlatTree, TheFileListIsReadAsItIsLaidOut)
{
    Show();
    auto* list = Find<QtFileList>("FileListView");
    for (const char* path : { "/videos/a.mp4", "/videos/b.mp4", "/videos/c.mp4" })
        list->AppendRow(path, 15, kRow);
    QAccessibleInterface* node = Node(list);
    QAccessibleTableInterface* table = node->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(node->role(), QAccessible::Tree);
    EXPECT_EQ(node->text(QAccessible::Name), "Video files");
    ASSERT_EQ(table->rowCount(), 3);
    ASSERT_EQ(table->columnCount(), 5);
    // The header row first, then the rows, as the view numbers them in its own events.
    EXPECT_EQ(node->childCount(), 4 * 5);
    EXPECT_EQ(node->child(0)->role(), QAccessible::ColumnHeader);
    EXPECT_EQ(node->child(0)->text(QAccessible::Name), "Video Files");
    EXPECT_EQ(table->columnDescription(0), "Video Files");

    const struct {
        int row, column;
        QString name;
    } cells[] = { { 0, 0, "/videos/a.mp4" }, { 1, 0, "/videos/b.mp4" }, { 2, 1, "mp4" }, { 2, 4, "0%" } };
    for (const auto& expected : cells) {
        QAccessibleInterface* cell = table->cellAt(expected.row, expected.column);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->text(QAccessible::Name), expected.name);
        EXPECT_EQ(cell->role(), QAccessible::TreeItem);
        EXPECT_EQ(cell->parent(), node);
        EXPECT_EQ(node->indexOfChild(cell), (expected.row + 1) * 5 + expected.column);
        EXPECT_EQ(node->child(node->indexOfChild(cell)), cell);
        EXPECT_EQ(cell->tableCellInterface()->rowIndex(), expected.row);
        EXPECT_EQ(cell->tableCellInterface()->columnIndex(), expected.column);
        EXPECT_EQ(cell->tableCellInterface()->columnHeaderCells().value(0), node->child(expected.column));
        EXPECT_EQ(node->childAt(cell->rect().center().x(), cell->rect().center().y()), cell);
        EXPECT_FALSE(cell->state().invisible);
    }
    EXPECT_EQ(table->cellAt(3, 0), nullptr);
    EXPECT_EQ(table->cellAt(0, 5), nullptr);

    // A reader's "select" picks the row, as a click does; the current cell has the focus.
    QAccessibleInterface* third = table->cellAt(2, 0);
    third->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(list->Selected(), 2);
    EXPECT_TRUE(table->isRowSelected(2));
    EXPECT_EQ(table->selectedRows(), QList<int> { 2 });
    EXPECT_TRUE(third->state().selected);
    EXPECT_TRUE(table->cellAt(2, 3)->tableCellInterface()->isSelected());
    list->setCurrentItem(list->topLevelItem(1));
    EXPECT_EQ(node->focusChild(), table->cellAt(1, 0));
}

TEST_F(FlatTree, EachCellHasOneInterfaceThatDeleteAndClearGiveBack)
{
    Show();
    auto* list = Find<QtFileList>("FileListView");
    for (int i = 0; i < 100; ++i)
        list->AppendRow("/videos/" + std::to_string(i) + ".mp4", 15, kRow);
    QAccessibleInterface* node = Node(list);
    const std::vector<QAccessible::Id> first = ReadEveryCell(node);
    // Read again, the same cells answer.
    EXPECT_EQ(ReadEveryCell(node), first);
    ASSERT_EQ(Registered(first), 500);

    // A deleted row gives its cells back; the rows below keep theirs, one row up.
    const QAccessible::Id secondRow = QAccessible::uniqueId(node->tableInterface()->cellAt(1, 0));
    list->DeleteRow(0);
    Tell(list, QAccessibleTableModelChangeEvent::RowsRemoved);
    EXPECT_EQ(Registered({ first.begin(), first.begin() + 5 }), 0);
    EXPECT_EQ(QAccessible::uniqueId(node->tableInterface()->cellAt(0, 0)), secondRow);
    EXPECT_EQ(node->tableInterface()->cellAt(0, 0)->text(QAccessible::Name), "/videos/1.mp4");

    // Cleared, the list gives back every cell, told or not.
    list->DeleteAllRows();
    Tell(list, QAccessibleTableModelChangeEvent::ModelReset);
    EXPECT_EQ(Registered(first), 0);
    for (int i = 0; i < 10; ++i)
        list->AppendRow("/videos/again.mp4", 15, kRow);
    const std::vector<QAccessible::Id> again = ReadEveryCell(node);
    list->DeleteAllRows();
    EXPECT_EQ(node->child(0)->text(QAccessible::Name), "Video Files");
    EXPECT_EQ(Registered(again), 0);
    auto* flat = dynamic_cast<FlatTreeAccessible*>(node);
    ASSERT_NE(flat, nullptr);
    EXPECT_LE(flat->KeptInterfaces(), 5);
}

TEST(FlatTreeDialog, TheOpenDialogsDetailViewKeepsOneInterfacePerCellAndGivesThemBackWhenClosed)
{
    FlatTreeAccessible::Install();
    TempDir dir;
    for (int i = 0; i < 5; ++i)
        std::ofstream(dir.File("clip " + std::to_string(i) + ".mp4")) << "x";
    auto dialog
        = std::make_unique<QFileDialog>(nullptr, "Add video files", QString::fromStdString(dir.Path().string()));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setViewMode(QFileDialog::Detail);
    dialog->show();
    auto* view = dialog->findChild<QTreeView*>("treeView");
    ASSERT_NE(view, nullptr);
    QAccessibleInterface* node = Node(view);
    ASSERT_TRUE(QTest::qWaitFor([&] { return node->tableInterface()->rowCount() == 5; }, 10000));
    const std::vector<QAccessible::Id> first = ReadEveryCell(node);
    EXPECT_EQ(ReadEveryCell(node), first);
    EXPECT_EQ(Registered(first), static_cast<int>(first.size()));
    dialog.reset();
    EXPECT_EQ(Registered(first), 0);
}

} // namespace
} // namespace ondrevo::testing
