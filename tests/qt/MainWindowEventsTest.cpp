// Widget events reach their handlers and, through them, the controller: toolbar
// clicks, list clicks, folder buttons, selector changes, the tray menu and closing.
// Errors escaping a handler are reported and the window goes on.

#include "QtTestSupport.h"

#include "app/TFFmpegFunc.h"
#include "app/qt/QtDetailsPanel.h"
#include "app/qt/QtFileList.h"
#include "app/qt/QtSelector.h"
#include "app/qt/QtToolButton.h"
#include "app/qt/QtTrayIcon.h"

#include <QLineEdit>
#include <QMenu>

namespace ondrevo::testing {
namespace {

using MainWindowEvents = MainWindowTest;

const std::vector<std::string> kRow = { "mp4", "1.2MB", "00:00:02", "0%" };

TEST_F(MainWindowEvents, EveryToolbarButtonAndFolderButtonRoutesToItsHandler)
{
    Show();
    // Buttons whose handlers open nothing modal here (Add and Play would ask the user).
    const char* buttons[]
        = { "DelFileBtn", "ClearFileBtn", "ConvFileBtn", "StopConvBtn", "DonateBtn", "JvBtnSltDir", "JvBtnOpenDir" };
    for (const char* name : buttons) {
        QTest::mouseClick(Find<QAbstractButton>(name), Qt::LeftButton);
        EXPECT_EQ(Routed(std::string(name) + "Click"), 1) << name;
    }
    openDialog.answers.clear();
    QTest::mouseClick(Find<QAbstractButton>("AddFileBtn"), Qt::LeftButton);
    EXPECT_EQ(Routed("AddFileBtnClick"), 1);
    EXPECT_EQ(openDialog.shown, 1);
    EXPECT_TRUE(errors.messages.empty()) << errors.messages.front();
}

TEST_F(MainWindowEvents, ClearEmptiesTheListBlanksThePanelAndResetsTheCursor)
{
    Show();
    window->FileListView().AppendRow("/videos/a.mp4", 15, kRow);
    window->FileListView().AppendRow("/videos/b.mp4", 11, kRow);
    window->MsgListView().AppendSubItem(1, "a.mp4");
    window->JvEditNumb().SetText("1");
    window->JvEditCmdMsg().SetText("frame=  12 fps=0.0");
    QTest::mouseClick(Find<QAbstractButton>("ClearFileBtn"), Qt::LeftButton);
    EXPECT_EQ(window->FileListView().RowCount(), 0);
    EXPECT_EQ(Find<QtFileList>("FileListView")->topLevelItemCount(), 0);
    EXPECT_EQ(window->JvEditNumb().Text(), "-1");
    EXPECT_EQ(window->JvEditCmdMsg().Text(), "");
    EXPECT_TRUE(Find<QLineEdit>("JvEditCmdMsg")->text().isEmpty());
    EXPECT_EQ(window->MsgListView().SubItems(1), std::vector<std::string> { "" });
    EXPECT_TRUE(window->MsgListView().SubItems(5).empty());
}

TEST_F(MainWindowEvents, DeleteRemovesTheSelectedRowOnly)
{
    Show();
    auto* list = Find<QtFileList>("FileListView");
    list->AppendRow("/videos/a.mp4", 15, kRow);
    list->AppendRow("/videos/b.mp4", 15, kRow);
    QTest::mouseClick(Find<QAbstractButton>("DelFileBtn"), Qt::LeftButton);
    EXPECT_EQ(list->RowCount(), 2);
    list->setCurrentItem(list->topLevelItem(0));
    QTest::mouseClick(Find<QAbstractButton>("DelFileBtn"), Qt::LeftButton);
    ASSERT_EQ(list->RowCount(), 1);
    EXPECT_EQ(list->Caption(0), "/videos/b.mp4");
}

TEST_F(MainWindowEvents, DonateAndOpenFolderGoToTheDesktopOpener)
{
    Show();
    QTest::mouseClick(Find<QAbstractButton>("DonateBtn"), Qt::LeftButton);
    QTest::mouseClick(Find<QAbstractButton>("JvBtnOpenDir"), Qt::LeftButton);
    ASSERT_EQ(desktop.opened.size(), 2u);
    EXPECT_EQ(desktop.opened[0], kDonationPage);
    EXPECT_EQ(desktop.opened[1], window->JvEditDir().Text());
}

TEST_F(MainWindowEvents, ChoosingAFolderShowsAndStoresIt)
{
    Show();
    TempDir chosen;
    desktop.folderAnswers.push_back(chosen.Path().string());
    QTest::mouseClick(Find<QAbstractButton>("JvBtnSltDir"), Qt::LeftButton);
    EXPECT_EQ(desktop.chooserTitles, std::vector<std::string> { "Please select the folder" });
    EXPECT_EQ(window->JvEditDir().Text(), chosen.Path().string());
    EXPECT_EQ(Find<QLineEdit>("JvEditDir")->text().toStdString(), chosen.Path().string());
    EXPECT_EQ(ShellOutput("sqlite3 " + ShellQuote(Database()) + " \"SELECT dir_name FROM savedir_videofile\""),
        chosen.Path().string() + "\n");
}

TEST_F(MainWindowEvents, AnErrorEscapingAHandlerIsReportedAndTheWindowGoesOn)
{
    Show();
    ASSERT_EQ(Shell("sqlite3 " + ShellQuote(Database()) + " 'DROP TABLE savedir_videofile'"), 0);
    TempDir chosen;
    const std::string shown = window->JvEditDir().Text();
    desktop.folderAnswers.push_back(chosen.Path().string());
    QTest::mouseClick(Find<QAbstractButton>("JvBtnSltDir"), Qt::LeftButton);
    ASSERT_EQ(errors.messages.size(), 1u);
    EXPECT_EQ(errors.captions[0], "Ondrevo");
    EXPECT_NE(errors.messages[0].find("savedir_videofile"), std::string::npos) << errors.messages[0];
    // A folder that could not be stored is not shown: the field keeps what it showed.
    EXPECT_EQ(window->JvEditDir().Text(), shown);
    // The next event is handled as usual.
    window->FileListView().AppendRow("/videos/a.mp4", 15, kRow);
    QTest::mouseClick(Find<QAbstractButton>("ClearFileBtn"), Qt::LeftButton);
    EXPECT_EQ(window->FileListView().RowCount(), 0);
    EXPECT_EQ(errors.messages.size(), 1u);
}

TEST_F(MainWindowEvents, AnErrorWhileShowingIsReportedAndTheWindowStillOpens)
{
    ASSERT_EQ(Shell("sqlite3 " + ShellQuote(Database()) + " 'DROP TABLE cmbex_adocodec'"), 0);
    Show();
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(errors.messages.size(), 1u);
    EXPECT_NE(errors.messages[0].find("cmbex_adocodec"), std::string::npos);
    EXPECT_GT(window->FindSelector("JvCmbVdo5")->ItemCount(), 0);
    EXPECT_EQ(window->FindSelector("JvCmbAdo1")->ItemCount(), 0);
    // The steps after the failing one still ran.
    EXPECT_EQ(window->JvEditDir().Text(), TFFmpegFunc::DefaultOutputDir());
}

TEST_F(MainWindowEvents, AUserPickInASelectorSavesItsPositionAndAnAudioCodecRefillsTheSubSelectorsQuietly)
{
    Show();
    struct Row {
        const char* selector;
        int tag, target, otherTarget; // otherTarget when the selector shows target already
    };
    for (const Row& row : { Row { "JvCmbVdo2", 2, 1, 2 }, Row { "JvCmbAdo1", 6, 0, 1 } }) {
        SCOPED_TRACE(row.selector);
        auto* selector = Find<QtSelector>(row.selector);
        ASSERT_GT(selector->count(), row.otherTarget);
        const int target = selector->currentIndex() == row.target ? row.otherTarget : row.target;
        selector->setCurrentIndex(target);
        emit selector->activated(target);
        EXPECT_EQ(Routed(std::string(row.selector) + "Change"), 1);
        EXPECT_EQ(TFFmpegFunc().ReadSavedPosition(row.tag), target);
        EXPECT_EQ(selector->Text(), selector->itemText(target).toStdString());
        // Refilling is the program's doing: no change event from the sub-selectors.
        EXPECT_EQ(Routed("JvCmbAdo2Change") + Routed("JvCmbAdo3Change") + Routed("JvCmbAdo4Change"), 0);
    }
    EXPECT_TRUE(errors.messages.empty()) << errors.messages.front();
}

TEST_F(MainWindowEvents, OnlyAMouseClickOnTheListShowsTheSelectedFile)
{
    const std::string first = dir.File("first clip.mp4");
    const std::string second = dir.File("second.3gp");
    GenerateClip(first, 1, true, true, "-s 320x240");
    GenerateClip(second, 1, true, true, "-s 176x144 -c:a aac");
    Show();
    auto* list = Find<QtFileList>("FileListView");
    openDialog.answers = { first, second };
    QTest::mouseClick(Find<QAbstractButton>("AddFileBtn"), Qt::LeftButton);
    QTest::mouseClick(Find<QAbstractButton>("AddFileBtn"), Qt::LeftButton);
    ASSERT_EQ(list->RowCount(), 2);
    ASSERT_EQ(window->MsgListView().SubItems(8), std::vector<std::string> { "176x144" });

    list->setFocus();
    list->setCurrentItem(list->topLevelItem(1));
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(list->Selected(), 0);
    EXPECT_EQ(Routed("FileListViewClick"), 0);
    EXPECT_EQ(window->MsgListView().SubItems(8), std::vector<std::string> { "176x144" });

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(0)).center());
    EXPECT_EQ(Routed("FileListViewClick"), 1);
    EXPECT_EQ(window->MsgListView().SubItems(8), std::vector<std::string> { "320x240" });
    EXPECT_EQ(window->MsgListView().SubItems(1), std::vector<std::string> { "first clip.mp4" });
    EXPECT_EQ(Find<QtDetailsPanel>("MsgListView")->topLevelItem(1)->text(1), "first clip.mp4");
}

TEST_F(MainWindowEvents, QuitClosesOnceEnablingTheButtonsOfARunningBatch)
{
    Show();
    window->FileListView().AppendRow("/videos/a.mp4", 3, kRow);
    TFFmpegFunc().DisableButtons();
    window->Batch().StartRun({});
    QTest::mouseClick(Find<QAbstractButton>("QuitBtn"), Qt::LeftButton);
    EXPECT_EQ(Routed("QuitBtnClick"), 1);
    EXPECT_EQ(loop.quits, 1);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->AddFileBtn().Enabled());
    EXPECT_TRUE(window->PlayBtn().Enabled());
    window->close();
    EXPECT_EQ(loop.quits, 1);
}

TEST_F(MainWindowEvents, TheCloseBoxEndsTheProgramWithoutABatch)
{
    Show();
    window->close();
    EXPECT_EQ(loop.quits, 1);
    EXPECT_TRUE(errors.messages.empty());
}

TEST_F(MainWindowEvents, TrayMenuQuitClosesAndOpenRestoresTheWindow)
{
    Show();
    QtTrayIcon& tray = window->TrayIcon();
    window->hide();
    tray.PopupMenu().actions()[0]->trigger();
    EXPECT_EQ(Routed("ShowMainForm1Click"), 1);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(Routed("FormShow"), 1);

    window->hide();
    emit tray.activated(QSystemTrayIcon::Context);
    EXPECT_EQ(Routed("JvTrayIconClick"), 1);
    EXPECT_FALSE(window->isVisible());
    emit tray.activated(QSystemTrayIcon::Trigger);
    EXPECT_EQ(Routed("JvTrayIconClick"), 2);
    EXPECT_TRUE(window->isVisible());

    // Quitting from the tray while the window is hidden there still closes it.
    window->hide();
    tray.PopupMenu().actions()[2]->trigger();
    EXPECT_EQ(Routed("Quit1Click"), 1);
    EXPECT_EQ(loop.quits, 1);
}

TEST_F(MainWindowEvents, MinimisingWithoutANotificationAreaKeepsTheWindow)
{
    if (QtTrayIcon::Available())
        GTEST_SKIP() << "this display has a notification area";
    Show();
    window->showMinimized();
    QCoreApplication::processEvents(); // the state change and whatever it queued
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowEvents, TheTrayImageFollowsTheLogic)
{
    QtTrayIcon& tray = window->TrayIcon();
    tray.SetImageIndex(16);
    EXPECT_EQ(tray.ImageIndex(), 16);
    EXPECT_EQ(tray.icon().pixmap(16).toImage(), window->Images().Icon(16).pixmap(16).toImage());
    tray.SetImageIndex(15);
    EXPECT_EQ(tray.icon().pixmap(16).toImage(), window->Images().Icon(15).pixmap(16).toImage());
    // An index beyond the image list shows the application's icon rather than nothing.
    tray.SetImageIndex(ImageList::kCount);
    EXPECT_EQ(tray.ImageIndex(), ImageList::kCount);
    EXPECT_FALSE(tray.icon().isNull());
    EXPECT_EQ(tray.icon().pixmap(16).toImage(), QApplication::windowIcon().pixmap(16).toImage());
}

} // namespace
} // namespace ondrevo::testing
