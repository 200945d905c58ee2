// Steering a batch from the window: the file list's menu (right button, Menu key,
// Shift+F10) with its three items, each offered only when it would convert a row;
// several rows selected at once and deleted together; Pause, its names, and a paused
// batch in the title and the tray tooltip.

#include "QtTestSupport.h"

#include "app/TFFmpegFunc.h"
#include "app/qt/QtFileList.h"
#include "app/qt/QtToolButton.h"
#include "app/qt/QtTrayIcon.h"

#include <QAccessible>
#include <QMenu>

#include <array>

namespace ondrevo::testing {
namespace {

using MainWindowSteering = MainWindowTest;

const std::vector<std::string> kRow = { "mp4", "1.2MB", "00:00:02", "0%" };

// The menu's items as assistive technology names them, in order.
const char* const kItems[] = { "Convert remaining rows", "Convert failed rows again", "Convert this row again" };
const char* const kRouted[]
    = { "FileListViewConvertRows(Remaining)", "FileListViewConvertRows(Failed)", "FileListViewConvertRows(Selected)" };

enum class Opening { RightButton, MenuKey, ShiftF10 };

class ListMenu : public MainWindowSteering {
protected:
    void SetUp() override
    {
        MainWindowSteering::SetUp();
        Show();
        list = Find<QtFileList>("FileListView");
    }

    void TearDown() override
    {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        MainWindowSteering::TearDown();
    }

    // A row in the list and the same row in the batch's model.
    void AddRow(const std::string& path, RowPhase phase)
    {
        window->FileListView().AppendRow(path, 15, kRow);
        window->Batch().Append(path, 2000, phase, phase == RowPhase::Failed ? "broken source" : "");
    }

    // Opens the list's menu as a user would; the open menu, or null.
    QMenu* Open(Opening how)
    {
        list->setFocus();
        switch (how) {
        case Opening::RightButton: {
            // On a selected row, which keeps the selection; without one, below the rows.
            const std::vector<int> selected = list->SelectedRows();
            const QPoint at = selected.empty() ? QPoint(40, list->viewport()->height() - 4)
                                               : list->visualItemRect(list->topLevelItem(selected.front())).center();
            QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, list->viewport()->mapTo(window.get(), at));
            break;
        }
        case Opening::MenuKey:
            QTest::keyClick(list, Qt::Key_Menu);
            break;
        case Opening::ShiftF10:
            QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
            break;
        }
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }

    static QAction* Item(QMenu* menu, int index) { return menu->actions().at(index); }

    QtFileList* list = nullptr;
};

TEST_F(ListMenu, EachWayOfOpeningShowsTheThreeItemsByNameAndGreysOutWhatWouldConvertNothing)
{
    using P = RowPhase;
    const struct {
        const char* what;
        std::vector<RowPhase> phases;
        std::vector<int> selected;
        bool running;
        std::array<bool, 3> enabled; // remaining, failed, selected
    } cases[] = {
        { "an empty list", {}, {}, false, { false, false, false } },
        { "rows waiting, none selected", { P::Waiting, P::Waiting }, {}, false, { true, false, false } },
        { "a failed row selected", { P::Converted, P::Failed, P::Waiting }, { 1 }, false, { true, true, true } },
        { "every row converted, two selected", { P::Converted, P::Converted, P::Converted }, { 0, 2 }, false,
            { false, false, true } },
        { "stopped and interrupted rows remain", { P::Converted, P::Stopped, P::Interrupted }, {}, false,
            { true, false, false } },
        { "a batch running", { P::Converted, P::Failed, P::Waiting }, { 1 }, true, { false, false, false } },
    };
    for (const auto& c : cases) {
        window->FileListView().DeleteAllRows();
        window->Batch().Clear();
        for (std::size_t row = 0; row < c.phases.size(); ++row)
            AddRow("/videos/" + std::to_string(row) + ".mp4", c.phases[row]);
        for (int row : c.selected)
            list->topLevelItem(row)->setSelected(true);
        if (c.running) {
            TFFmpegFunc().DisableButtons();
            window->Batch().StartRun({ 2 });
        }
        for (Opening how : { Opening::RightButton, Opening::MenuKey, Opening::ShiftF10 }) {
            SCOPED_TRACE(std::string(c.what) + ", opened by way " + std::to_string(static_cast<int>(how)));
            QMenu* menu = Open(how);
            ASSERT_NE(menu, nullptr);
            EXPECT_EQ(menu, list->RowsMenu());
            QAccessibleInterface* node = QAccessible::queryAccessibleInterface(menu);
            ASSERT_EQ(node->childCount(), 3);
            for (int item = 0; item < 3; ++item) {
                EXPECT_EQ(node->child(item)->role(), QAccessible::MenuItem);
                EXPECT_EQ(node->child(item)->text(QAccessible::Name), kItems[item]);
                EXPECT_EQ(node->child(item)->state().disabled, !c.enabled[item]) << kItems[item];
                EXPECT_EQ(Item(menu, item)->isEnabled(), c.enabled[item]) << kItems[item];
            }
            // Opening did not change which rows are selected.
            EXPECT_EQ(list->SelectedRows(), c.selected);
            menu->close();
        }
        if (c.running) {
            window->Batch().EndRun();
            TFFmpegFunc().EnableButtons();
        }
    }
    EXPECT_TRUE(errors.messages.empty()) << errors.messages.front();
}

TEST_F(ListMenu, ARightClickOnARowSelectsItForConvertThisRowAgain)
{
    AddRow("/videos/a.mp4", RowPhase::Converted);
    AddRow("/videos/b.mp4", RowPhase::Converted);
    const QPoint row = list->visualItemRect(list->topLevelItem(1)).center();
    QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, list->viewport()->mapTo(window.get(), row));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(list->SelectedRows(), std::vector<int> { 1 });
    EXPECT_FALSE(Item(menu, 0)->isEnabled());
    EXPECT_TRUE(Item(menu, 2)->isEnabled());
}

TEST_F(ListMenu, ChoosingAnItemRoutesItsScopeOnceAndAGreyedOutItemNothing)
{
    AddRow("/videos/a.mp4", RowPhase::Failed);
    AddRow("/videos/b.mp4", RowPhase::Waiting);
    list->topLevelItem(0)->setSelected(true);
    // No output folder: each choice is routed and refused, so no batch greys the menu.
    window->JvEditDir().SetText("");
    for (int item = 0; item < 3; ++item) {
        QMenu* menu = Open(Opening::MenuKey);
        ASSERT_NE(menu, nullptr);
        // By its access key for the first, by a click for the others.
        if (item == 0)
            QTest::keyClick(menu, Qt::Key_R);
        else
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(Item(menu, item)).center());
        EXPECT_FALSE(menu->isVisible()) << kItems[item];
        for (int other = 0; other < 3; ++other)
            EXPECT_EQ(Routed(kRouted[other]), other <= item ? 1 : 0) << kItems[item] << " then " << kRouted[other];
    }

    // Nothing has failed any more: the item is greyed out and a click on it does nothing.
    window->Batch().SetPhase(0, RowPhase::Converted);
    QMenu* menu = Open(Opening::ShiftF10);
    ASSERT_NE(menu, nullptr);
    ASSERT_FALSE(Item(menu, 1)->isEnabled());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(Item(menu, 1)).center());
    EXPECT_EQ(Routed(kRouted[1]), 1);
    EXPECT_EQ(Routed("FileListViewCanConvertRows"), 4);
    EXPECT_TRUE(errors.messages.empty()) << errors.messages.front();
}

TEST_F(MainWindowSteering, DeleteRemovesEverySelectedRowWhetherChosenWithTheMouseOrTheKeyboard)
{
    Show();
    auto* list = Find<QtFileList>("FileListView");
    for (const char* name : { "a", "b", "c", "d", "e", "f" })
        list->AppendRow(std::string("/videos/") + name + ".mp4", 15, kRow);
    auto click = [list](int row, Qt::KeyboardModifiers modifiers) {
        QTest::mouseClick(
            list->viewport(), Qt::LeftButton, modifiers, list->visualItemRect(list->topLevelItem(row)).center());
    };
    auto captions = [list] {
        std::vector<std::string> left;
        for (int row = 0; row < list->RowCount(); ++row)
            left.push_back(list->Caption(row));
        return left;
    };

    click(4, {});
    click(1, Qt::ControlModifier);
    click(3, Qt::ControlModifier);
    // In list order whatever order they were picked in; the selected row is the one last clicked.
    EXPECT_EQ(list->SelectedRows(), (std::vector<int> { 1, 3, 4 }));
    EXPECT_EQ(list->Selected(), 3);
    // Unpicked again, the row last clicked gives way to the first row still selected.
    click(3, Qt::ControlModifier);
    EXPECT_EQ(list->Selected(), 1);
    click(3, Qt::ControlModifier);
    QTest::mouseClick(Find<QAbstractButton>("DelFileBtn"), Qt::LeftButton);
    EXPECT_EQ(captions(), (std::vector<std::string> { "/videos/a.mp4", "/videos/c.mp4", "/videos/f.mp4" }));
    // No neighbour of a deleted row was selected in its place.
    EXPECT_TRUE(list->SelectedRows().empty());
    EXPECT_EQ(list->Selected(), -1);

    click(0, {});
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(list->SelectedRows(), (std::vector<int> { 0, 1 }));
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(captions(), std::vector<std::string> { "/videos/f.mp4" });

    // Deleting a row that is not selected keeps the selection as it was.
    list->AppendRow("/videos/g.mp4", 15, kRow);
    list->topLevelItem(1)->setSelected(true);
    list->DeleteRow(0);
    EXPECT_EQ(list->SelectedRows(), std::vector<int> { 0 });
    EXPECT_EQ(Routed("DelFileBtnClick"), 1);
    EXPECT_EQ(Routed("FileListViewKeyDown"), 1);
    EXPECT_TRUE(errors.messages.empty()) << errors.messages.front();
}

TEST_F(MainWindowSteering, PauseIsNamedAsItsCaptionSaysAndAPausedBatchShowsInTheTitleAndTheTooltip)
{
    Show();
    auto* pause = Find<QtToolButton>("PauseButton");
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(pause);
    EXPECT_EQ(node->text(QAccessible::Name), "Pause");
    EXPECT_TRUE(node->state().disabled);
    window->PauseButton().SetEnabled(true);
    for (const char* caption : { "Resume", "Pause" }) {
        window->PauseButton().SetCaption(caption);
        EXPECT_EQ(pause->text(), caption);
        EXPECT_EQ(window->PauseButton().Caption(), caption);
        EXPECT_EQ(node->text(QAccessible::Name), caption);
        EXPECT_FALSE(node->state().disabled);
    }

    IBatchDisplay& display = window->BatchDisplay();
    QtTrayIcon& tray = window->TrayIcon();
    const struct {
        const char* step;
        std::function<void()> act;
        const char* title;
        const char* tooltip;
    } steps[] = {
        { "paused before anything is shown", [&] { display.SetPaused(true); }, "Ondrevo (paused)", "Ondrevo (paused)" },
        { "shown while paused", [&] { display.Show(40, "2 of 5 files, paused"); }, "Ondrevo - 40% (paused)",
            "Ondrevo - 40% (paused)\n2 of 5 files, paused" },
        { "resumed", [&] { display.SetPaused(false); }, "Ondrevo - 40%", "Ondrevo - 40%\n2 of 5 files, paused" },
        { "shown running", [&] { display.Show(41, "2 of 5 files, 3 min left"); }, "Ondrevo - 41%",
            "Ondrevo - 41%\n2 of 5 files, 3 min left" },
        { "paused at once", [&] { display.SetPaused(true); }, "Ondrevo - 41% (paused)",
            "Ondrevo - 41% (paused)\n2 of 5 files, 3 min left" },
        { "cleared while paused", [&] { display.Clear(); }, "Ondrevo", "Ondrevo" },
        { "the next batch shown", [&] { display.Show(0, "0 of 3 files"); }, "Ondrevo - 0%",
            "Ondrevo - 0%\n0 of 3 files" },
    };
    for (const auto& step : steps) {
        step.act();
        EXPECT_EQ(window->windowTitle(), step.title) << step.step;
        EXPECT_EQ(tray.toolTip(), step.tooltip) << step.step;
    }
}

} // namespace
} // namespace ondrevo::testing
