// The main window as it opens: every control with its caption, hint, place and first
// state, and the non-visual parts it owns.

#include "QtTestSupport.h"

#include "app/TFFmpegFunc.h"
#include "app/qt/QtDetailsPanel.h"
#include "app/qt/QtFileList.h"
#include "app/qt/QtSelector.h"
#include "app/qt/QtToolButton.h"
#include "app/qt/QtTrayIcon.h"

#include <QCheckBox>
#include <QCompleter>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>

namespace ondrevo::testing {
namespace {

using MainWindowLayout = MainWindowTest;

TEST_F(MainWindowLayout, WindowIsAFixedMinimisableOndrevoWindowOfTheClientSize)
{
    Show();
    EXPECT_EQ(window->windowTitle(), "Ondrevo");
    EXPECT_EQ(window->size(), QSize(852, 526));
    EXPECT_EQ(window->minimumSize(), QSize(852, 526));
    EXPECT_EQ(window->maximumSize(), QSize(852, 526));
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window->font().families().contains("Tahoma"));
    EXPECT_EQ(window->font().pointSize(), 8);
    EXPECT_EQ(FFmpegFrm, window.get());

    // Centred where the screen is large enough, never above or left of it.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect placed = window->geometry();
    EXPECT_GE(placed.left(), area.left());
    EXPECT_GE(placed.top(), area.top());
    if (area.width() >= placed.width()) {
        EXPECT_LE(std::abs(placed.center().x() - area.center().x()), 1);
    }
    if (area.height() >= placed.height()) {
        EXPECT_LE(std::abs(placed.center().y() - area.center().y()), 1);
    }
}

TEST_F(MainWindowLayout, ToolbarButtonsInOrderWithCaptionsHintsImagesAndSize)
{
    struct Expected {
        const char* name;
        const char* caption;
        const char* hint;
        bool enabled;
    };
    const Expected buttons[] = {
        { "AddFileBtn", "Add", "Add video file", true },
        { "DelFileBtn", "Delete", "Delete video file", true },
        { "ClearFileBtn", "Clear", "Clear all video files", true },
        { "ConvFileBtn", "Convert", "Convert video files", true },
        { "StopConvBtn", "Stop", "Stop video file conversion", true },
        // No batch runs yet, so there is nothing to pause.
        { "PauseButton", "Pause", "Pause or resume the conversion", false },
        { "PlayBtn", "Play", "Play video file", true },
        { "DonateBtn", "Donate", "Donated the software", true },
        { "QuitBtn", "Quit", "Quit", true },
    };
    Show();
    auto* coolBar = Find<QFrame>("JvCoolBar");
    ASSERT_NE(coolBar, nullptr);
    EXPECT_EQ(coolBar->geometry(), QRect(0, 0, 852, 40));
    int previousRight = -1;
    for (const Expected& expected : buttons) {
        auto* button = Find<QtToolButton>(expected.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), expected.caption);
        EXPECT_EQ(button->toolTip(), expected.hint);
        EXPECT_EQ(button->size(), QSize(46, 36)) << expected.name;
        EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        EXPECT_FALSE(button->icon().isNull());
        EXPECT_TRUE(button->isVisible());
        EXPECT_EQ(button->Enabled(), expected.enabled) << expected.name;
        // Side by side, each after the one before and all within the bar.
        const QRect place(button->mapTo(window.get(), QPoint(0, 0)), button->size());
        EXPECT_GE(place.left(), previousRight) << expected.name;
        EXPECT_TRUE(coolBar->geometry().contains(place)) << expected.name;
        previousRight = place.right() + 1;
    }
    // Pause comes straight after Stop, with an image of its own.
    auto* stop = Find<QtToolButton>("StopConvBtn");
    auto* pause = Find<QtToolButton>("PauseButton");
    EXPECT_EQ(pause->x(), stop->x() + stop->width());
    for (const Expected& other : buttons)
        if (std::string(other.name) != "PauseButton")
            EXPECT_NE(pause->icon().pixmap(16).toImage(), Find<QtToolButton>(other.name)->icon().pixmap(16).toImage())
                << other.name;
    for (const char* separator : { "ToolButton4", "ToolButton3", "ToolButton6", "ToolButton7" })
        EXPECT_EQ(Find<QFrame>(separator)->width(), 8);
    // Stop stays usable whatever the others do.
    EXPECT_TRUE(window->StopConvBtn().Enabled());
}

TEST_F(MainWindowLayout, ListsPictureGroupPagesAndStatusLineStandWhereTheyBelong)
{
    Show();
    EXPECT_EQ(Find<QWidget>("FileListView")->geometry(), QRect(5, 45, 593, 294));
    EXPECT_EQ(Find<QWidget>("Image1")->geometry(), QRect(602, 45, 245, 172));
    EXPECT_EQ(Find<QLabel>("Image1")->pixmap().size(), QSize(245, 172));
    EXPECT_EQ(Find<QWidget>("MsgListView")->geometry(), QRect(602, 222, 245, 277));
    auto* group = Find<QGroupBox>("JvGroupBox");
    EXPECT_EQ(group->geometry(), QRect(5, 345, 593, 54));
    EXPECT_EQ(group->title(), "Output Directory");
    EXPECT_EQ(Find<QWidget>("JvPageControl")->geometry(), QRect(5, 408, 596, 93));
    auto* status = Find<QLineEdit>("JvEditCmdMsg");
    EXPECT_EQ(status->geometry(), QRect(0, 505, 852, 21));
    EXPECT_TRUE(status->isReadOnly());
    EXPECT_TRUE(status->text().isEmpty());
    EXPECT_EQ(window->JvEditCmdMsg().Text(), "");
}

TEST_F(MainWindowLayout, OutputDirectoryBoxHoldsTheFolderButtonsAndTheHiddenCursor)
{
    Show();
    auto* group = Find<QGroupBox>("JvGroupBox");
    auto* folder = Find<QLineEdit>("JvEditDir");
    EXPECT_EQ(folder->parentWidget(), group);
    EXPECT_EQ(folder->width(), 504);
    EXPECT_TRUE(folder->isReadOnly());
    const struct {
        const char* name;
        const char* hint;
    } buttons[] = { { "JvBtnSltDir", "Choose output directory" }, { "JvBtnOpenDir", "Open output directory" } };
    for (const auto& expected : buttons) {
        auto* button = Find<QToolButton>(expected.name);
        EXPECT_EQ(button->parentWidget(), group);
        EXPECT_EQ(button->size(), QSize(25, 25));
        EXPECT_EQ(button->toolTip(), expected.hint);
        EXPECT_FALSE(button->icon().isNull());
        EXPECT_TRUE(group->rect().contains(button->geometry())) << expected.name;
    }
    EXPECT_TRUE(group->rect().contains(folder->geometry()));
    auto* cursor = Find<QLineEdit>("JvEditNumb");
    EXPECT_EQ(cursor->parentWidget(), group);
    EXPECT_FALSE(cursor->isVisible());
    EXPECT_EQ(window->JvEditNumb().Text(), "-1");
    // Shown at start-up from the fresh database: the program's folder and FFOutput.
    EXPECT_EQ(window->JvEditDir().Text(), TFFmpegFunc::DefaultOutputDir());
}

TEST_F(MainWindowLayout, FivePagesWithImagesLabelledSelectorsAndTheShutdownBox)
{
    Show();
    auto* pages = Find<QTabWidget>("JvPageControl");
    ASSERT_EQ(pages->count(), 5);
    EXPECT_EQ(pages->currentIndex(), 0);
    EXPECT_EQ(pages->tabText(0), "Video Output Parameters");
    EXPECT_EQ(pages->tabText(1), "Audio Output Parameters");
    EXPECT_EQ(pages->tabText(2), "Other Settings");
    EXPECT_EQ(pages->tabText(3), "File Size");
    EXPECT_EQ(pages->tabText(4), "Phone");
    // Every tab shows whole, with no scroll arrows.
    EXPECT_LE(pages->tabBar()->tabRect(4).right(), pages->width());
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(pages->tabIcon(i).isNull());
    EXPECT_EQ(pages->widget(0)->objectName(), "TabSheet1");
    EXPECT_EQ(pages->widget(1)->objectName(), "TabSheet2");
    EXPECT_EQ(pages->widget(2)->objectName(), "TabSheet3");
    EXPECT_EQ(pages->widget(3)->objectName(), "TabSheet4");
    EXPECT_EQ(pages->widget(4)->objectName(), "TabSheet5");

    const struct {
        const char* name;
        int tag;
        const char* label;
        int page;
    } selectors[] = {
        { "JvCmbVdo1", 1, "Video Codec", 0 },
        { "JvCmbVdo2", 2, "Video Bitrate", 0 },
        { "JvCmbVdo3", 3, "Video Size", 0 },
        { "JvCmbVdo4", 4, "Video Frame Rate", 0 },
        { "JvCmbVdo5", 5, "Width Ratio", 0 },
        { "JvCmbAdo1", 6, "Audio Codec", 1 },
        { "JvCmbAdo2", 7, "Audio Bitrate", 1 },
        { "JvCmbAdo3", 8, "Audio Channel", 1 },
        { "JvCmbAdo4", 9, "Sampling Frequency", 1 },
        { "SizeLimitCombo", 0, "Largest file size", 3 },
    };
    for (const auto& expected : selectors) {
        auto* selector = Find<QComboBox>(expected.name);
        ASSERT_NE(selector, nullptr);
        if (expected.tag > 0)
            EXPECT_EQ(static_cast<QtSelector*>(selector)->Tag(), expected.tag);
        EXPECT_EQ(selector->width(), 115);
        EXPECT_TRUE(selector->isEditable());
        EXPECT_EQ(selector->insertPolicy(), QComboBox::NoInsert);
        EXPECT_EQ(selector->completer(), nullptr);
        EXPECT_TRUE(selector->lineEdit()->findChildren<QCompleter*>().isEmpty()) << expected.name;
        EXPECT_EQ(selector->parentWidget(), pages->widget(expected.page));
        EXPECT_TRUE(pages->widget(expected.page)->rect().contains(selector->geometry())) << expected.name;
        if (expected.tag > 0)
            EXPECT_EQ(window->FindSelector(expected.name), static_cast<QtSelector*>(selector));
        auto* label = Find<QLabel>((std::string("Label") + expected.name).c_str());
        EXPECT_EQ(label->text(), expected.label);
        EXPECT_EQ(label->buddy(), selector);
        // Filled when the window was first shown.
        EXPECT_GT(selector->count(), 0) << expected.name;
    }
    EXPECT_EQ(window->FindSelector("JvCmbVdo6"), nullptr);
    EXPECT_EQ(window->FindSelector("JvEditDir"), nullptr);

    auto* shutdown = Find<QCheckBox>("JvCheckBox");
    EXPECT_EQ(shutdown->parentWidget(), pages->widget(2));
    EXPECT_EQ(shutdown->text(), "Shut down the computer after the conversion is completed");
    EXPECT_FALSE(window->JvCheckBox().Checked());
    EXPECT_TRUE(pages->widget(2)->rect().contains(shutdown->geometry()));

    // "Keep the source's date": within the page as it is shown (a page not shown yet has
    // no size of its own), unticked from a database without its table; a click is routed
    // and stored, a state set by the program is not.
    auto* keepDate = Find<QCheckBox>("KeepDateCheck");
    EXPECT_EQ(keepDate->parentWidget(), pages->widget(2));
    EXPECT_EQ(keepDate->text(), "Keep the source's date");
    EXPECT_TRUE(pages->currentWidget()->rect().contains(keepDate->geometry()))
        << keepDate->geometry().right() << "," << keepDate->geometry().bottom();
    for (const QWidget* other : pages->widget(2)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (other != keepDate)
            EXPECT_FALSE(other->geometry().intersects(keepDate->geometry())) << other->objectName().toStdString();
    EXPECT_FALSE(window->KeepDateCheck().Checked());
    window->KeepDateCheck().SetChecked(true);
    EXPECT_EQ(std::count(routed.begin(), routed.end(), "KeepDateCheckChange"), 0);
    window->KeepDateCheck().SetChecked(false);
    keepDate->click();
    EXPECT_EQ(std::count(routed.begin(), routed.end(), "KeepDateCheckChange"), 1);
    EXPECT_TRUE(window->KeepDateCheck().Checked());
    EXPECT_EQ(QueryValue(Database(), "select keep_on from keep_sourcedate"), "1");

    auto* cutToFit = Find<QCheckBox>("CutToFitCheck");
    EXPECT_EQ(cutToFit->parentWidget(), pages->widget(3));
    EXPECT_EQ(cutToFit->text(), "Cut to fit");
    pages->setCurrentIndex(3);
    EXPECT_TRUE(pages->currentWidget()->rect().contains(cutToFit->geometry()));
    EXPECT_FALSE(cutToFit->geometry().intersects(Find<QComboBox>("SizeLimitCombo")->geometry()));
}

TEST_F(MainWindowLayout, FileListColumnsAndDetailsPanelFixedRows)
{
    Show();
    auto* list = Find<QtFileList>("FileListView");
    const char* headers[] = { "Video Files", "File Types", "File Size", "Playing Time", "Percent" };
    const int widths[] = { 310, 65, 70, 80, 60 };
    ASSERT_EQ(list->columnCount(), 5);
    for (int column = 0; column < 5; ++column) {
        EXPECT_EQ(list->headerItem()->text(column), headers[column]);
        EXPECT_EQ(list->columnWidth(column), widths[column]);
    }
    EXPECT_FALSE(list->isHeaderHidden());
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(list->RowCount(), 0);
    EXPECT_EQ(list->Selected(), -1);

    auto* panel = Find<QtDetailsPanel>("MsgListView");
    const char* captions[] = { "Video File", "File Name", "File Type", "File Size", "Playing Time", "Video Parameters",
        "Video Codec", "Video Bitrate", "Video Size", "Video Frame Rate", "Width Ratio", "Audio Parameters",
        "Audio Codec", "Audio Bitrate", "Audio Channel", "Sampling Frequency" };
    const int images[] = { 15, 10, 10, 10, 10, 5, 10, 10, 10, 10, 10, 9, 10, 10, 10, 10 };
    EXPECT_TRUE(panel->isHeaderHidden());
    ASSERT_EQ(panel->columnCount(), 2);
    EXPECT_EQ(panel->columnWidth(0), 120);
    EXPECT_EQ(panel->columnWidth(1), 120);
    ASSERT_EQ(panel->RowCount(), 16);
    for (int row = 0; row < 16; ++row) {
        QTreeWidgetItem* item = panel->topLevelItem(row);
        EXPECT_EQ(item->text(0), captions[row]);
        EXPECT_EQ(item->icon(0).pixmap(16).toImage(), window->Images().Icon(images[row]).pixmap(16).toImage())
            << captions[row];
        EXPECT_TRUE(item->text(1).isEmpty());
        EXPECT_TRUE(panel->SubItems(row).empty());
    }
    // All sixteen rows are in view without scrolling.
    EXPECT_LE(panel->visualItemRect(panel->topLevelItem(15)).bottom(), panel->viewport()->height());
}

TEST_F(MainWindowLayout, OwnsAnIdleTrayIconWithItsMenuAnIdleTimerAndTheRunner)
{
    Show();
    QtTrayIcon& tray = window->TrayIcon();
    EXPECT_EQ(window->JvTrayIcon().ImageIndex(), 15);
    EXPECT_EQ(tray.toolTip(), "Ondrevo");
    EXPECT_EQ(tray.icon().pixmap(16).toImage(), window->Images().Icon(15).pixmap(16).toImage());
    EXPECT_EQ(tray.contextMenu(), &tray.PopupMenu());
    const QList<QAction*> items = tray.PopupMenu().actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->objectName(), "ShowMainForm1");
    EXPECT_EQ(items[0]->text(), "Open Ondrevo");
    EXPECT_EQ(items[0]->icon().pixmap(16).toImage(), window->Images().Icon(17).pixmap(16).toImage());
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[2]->objectName(), "Quit1");
    EXPECT_EQ(items[2]->text(), "Quit");
    EXPECT_EQ(items[2]->icon().pixmap(16).toImage(), window->Images().Icon(4).pixmap(16).toImage());

    EXPECT_FALSE(window->JvTimer().Enabled());
    EXPECT_EQ(window->JvCreateProcess().ConsoleOptions(), unsigned(coOwnerData | coRedirect));
    EXPECT_EQ(&window->Desktop(), &desktop);
    EXPECT_EQ(&window->OpenDialog1(), &openDialog);
}

TEST_F(MainWindowLayout, TheShowEventFillsTheSelectorsOnceAndSavesNothing)
{
    EXPECT_EQ(window->FindSelector("JvCmbVdo1")->ItemCount(), 0);
    Show();
    window->hide();
    window->show();
    EXPECT_EQ(Routed("FormShow"), 1);
    EXPECT_TRUE(errors.messages.empty()) << errors.messages.front();
    // Filling raised no change event, so nothing was saved.
    for (const std::string& handler : routed)
        EXPECT_EQ(handler.find("Change"), std::string::npos) << handler;
    EXPECT_GE(window->FindSelector("JvCmbVdo1")->ItemIndex(), 0);
}

} // namespace
} // namespace ondrevo::testing
