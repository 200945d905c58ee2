// The busy animation on a real notification area (trayer): while a batch converts with
// the real encoder, the tray icon alternates between images 15 and 16, the area shows
// the change, and after Stop the icon is image 15.

#include "qt/QtTestSupport.h"

#include "app/qt/QtFileList.h"
#include "app/qt/QtTrayIcon.h"
#include "base/ProgramFolder.h"

#include <QAbstractButton>
#include <QProcess>
#include <QScreen>
#include <QSystemTrayIcon>

namespace ondrevo::testing {
namespace {

// Qt's own widget that sits in the notification area for a tray icon.
QWidget* TrayIconWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == "QSystemTrayIconSys" && widget->isVisible())
            return widget;
    return nullptr;
}

class TrayOnX11 : public MainWindowTest {
protected:
    void SetUp() override
    {
        trayer.start("trayer",
            { "--edge", "bottom", "--align", "right", "--widthtype", "pixel", "--width", "100", "--heighttype", "pixel",
                "--height", "24" });
        ASSERT_TRUE(trayer.waitForStarted(30000)) << "trayer cannot be started";
        ASSERT_TRUE(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 30000));

        // The real encoder, made to read its input at the input's own pace and over
        // again, so that the batch lasts until Stop.
        std::filesystem::create_directories(program.Path() / "bin");
        std::filesystem::create_directories(program.Path() / "FFOutput");
        WriteScript(program.File("bin/ffmpeg"), "exec " ONDREVO_FFMPEG " -re -stream_loop -1 \"$@\"");
        SetProgramFolderForTesting(program.Path().string() + "/");
        MainWindowTest::SetUp();
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        SetProgramFolderForTesting("");
        trayer.kill();
        trayer.waitForFinished(30000);
    }

    TempDir program;
    QProcess trayer;
};

TEST_F(TrayOnX11, TheIconAlternatesBetweenItsTwoImagesDuringABatchAndIsIdleAfterStop)
{
    const std::string clip = dir.File("ten seconds.mp4");
    GenerateClip(clip, 10, true, true, "-s 160x120");
    Show();
    ASSERT_TRUE(QTest::qWaitFor([] { return TrayIconWindow() != nullptr; }, 30000)) << "no icon in the area";
    auto* list = Find<QtFileList>("FileListView");
    list->AppendRow(clip, 15, { "mp4", "0.2 MB", "00:00:10", "0%" });
    window->Batch().Append(clip, 10000); // the row as the batch knows it

    QtTrayIcon& icon = window->TrayIcon();
    std::vector<int> images { icon.ImageIndex() };
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (icon.ImageIndex() != images.back())
            images.push_back(icon.ImageIndex());
    });
    watch.start(10);

    // What the area shows for each image, drawn there at once and taken while the image stands.
    std::map<int, QImage> shown;
    const auto takePicture = [&] {
        QWidget* area = TrayIconWindow();
        if (!area || shown.count(icon.ImageIndex()))
            return;
        area->repaint();
        shown[icon.ImageIndex()] = area->screen()->grabWindow(area->winId()).toImage();
    };

    QTest::mouseClick(Find<QAbstractButton>("ConvFileBtn"), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            takePicture();
            return images.size() >= 5 && shown.size() == 2;
        },
        60000))
        << "images seen: " << ::testing::PrintToString(images);
    QTest::mouseClick(Find<QAbstractButton>("StopConvBtn"), Qt::LeftButton);
    EXPECT_EQ(icon.ImageIndex(), 15);
    // Stop ended the timer's thread: a tick that was on its way is queued on the loop
    // already, and must not bring the busy image back when it runs.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    EXPECT_EQ(icon.ImageIndex(), 15);
    watch.stop();

    // 15 before, then 16, 15, 16, ... and 15 at the end.
    ASSERT_GE(images.size(), 5u);
    for (std::size_t i = 0; i < images.size(); ++i)
        EXPECT_EQ(images[i], i % 2 == 0 ? 15 : 16) << "image " << i << " of " << ::testing::PrintToString(images);
    EXPECT_EQ(images.back(), 15);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_NE(shown[15], shown[16]) << "the notification area shows the same picture for both images";
    Keep(shown[15], "tray-15");
    Keep(shown[16], "tray-16");
    EXPECT_TRUE(errors.messages.empty()) << errors.messages.front();
}

} // namespace
} // namespace ondrevo::testing
