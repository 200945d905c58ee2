// Play on the real main window with the real mplayer drawing into the mini player's
// panel on an X server; closing the mini player leaves no player behind.

#include "qt/QtTestSupport.h"

#include "app/qt/QtFileList.h"
#include "base/ProgramFolder.h"
#include "player/qt/TMplayerFrm.h"
#include "support/Command.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

namespace ondrevo::testing {
namespace {

// The share of pixels that are not the panel's colour key.
double ShareNotColorKey(const QImage& image)
{
    if (image.isNull())
        return 0;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    qint64 other = 0;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            if ((rgb.pixel(x, y) & 0xFFFFFF) != TMplayerFrm::kPanelColor)
                ++other;
    return double(other) / double(rgb.width() * rgb.height());
}

class PlayerWindowOnX11 : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        std::filesystem::create_directory(program.Path() / "bin");
        // The real player with its picture on the X server; no sound device is assumed.
        WriteScript(program.File("bin/mplayer"), "exec " ONDREVO_MPLAYER " -ao null \"$@\"");
        SetProgramFolderForTesting(program.Path().string() + "/");
    }
    void TearDown() override
    {
        SetProgramFolderForTesting("");
        MainWindowTest::TearDown();
    }

    TempDir program;
};

TEST_F(PlayerWindowOnX11, ThePlayerDrawsIntoThePanelAndIsGoneAfterTheWindowCloses)
{
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    const std::string clip = dir.File("clip with spaces.mp4");
    GenerateClip(clip, 3);
    Show();
    auto* list = Find<QtFileList>("FileListView");
    list->AppendRow(clip, 15, { "mp4", "0.2 MB", "00:00:03", "0%" });
    list->setCurrentItem(list->topLevelItem(0));

    pid_t player = 0;
    double drawn = 0;
    bool opened = false;
    WhenModal([&](QWidget* modal) {
        auto* window = dynamic_cast<TMplayerFrm*>(modal);
        if (!window) {
            ADD_FAILURE() << "not the mini player: " << modal->metaObject()->className();
            modal->close();
            return;
        }
        opened = true;
        player = window->JvCmdProc().ProcessId();
        EXPECT_EQ(window->JvLabFile().Caption(), clip);
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->JvLabBgTime().Caption() == "00:00:01"; }, 30000));
        window->repaint(); // the labels as they stand, before the picture is taken
        // What the X server shows in the panel's window, the player's picture included.
        QScreen* screen = window->screen();
        const QImage panel = screen->grabWindow(window->Panel().winId()).toImage();
        drawn = ShareNotColorKey(panel);
        Keep(panel, "mini-player-panel");
        Keep(screen->grabWindow(window->winId()).toImage(), "mini-player-window");
        window->close();
    });
    QTest::mouseClick(Find<QAbstractButton>("PlayBtn"), Qt::LeftButton);

    ASSERT_TRUE(opened);
    EXPECT_EQ(MplayerFrm, nullptr);
    EXPECT_GT(drawn, 0.5) << "the panel shows hardly more than its colour key";
    ASSERT_GT(player, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ProcessGone(player); }, 30000)) << "mplayer still runs";
    EXPECT_TRUE(errors.messages.empty()) << errors.messages.front();
}

} // namespace
} // namespace ondrevo::testing
