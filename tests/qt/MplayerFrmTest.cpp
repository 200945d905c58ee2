// The mini player window's widgets: caption, fixed size and frame, where each control
// sits, the dark native panel, and the position bar keeping its rules as a slider.

#include "QtTestSupport.h"

#include "player/qt/QtPositionBar.h"
#include "player/qt/TMplayerFrm.h"

#include <QLabel>

namespace ondrevo::testing {
namespace {

TEST(MplayerFrm, CaptionSizeFrameAndControlPlaces)
{
    QtEventLoop loop;
    TMplayerFrm window(loop);
    EXPECT_EQ(window.windowTitle(), "Mini Player");
    EXPECT_EQ(window.size(), QSize(372, 310));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_EQ(window.windowModality(), Qt::ApplicationModal);
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);

    const std::pair<const char*, QRect> places[] = {
        { "JvMplayer", QRect(0, 0, 372, 259) },
        { "JvLabBgTime", QRect(135, 263, 46, 13) },
        { "JvLabEdTime", QRect(197, 263, 46, 13) },
        { "JvLabFile", QRect(258, 265, 92, 13) },
        { "JvColorTrkBar", QRect(5, 278, 362, 24) },
    };
    for (const auto& [name, place] : places) {
        auto* widget = window.findChild<QWidget*>(name);
        ASSERT_NE(widget, nullptr) << name;
        EXPECT_EQ(widget->geometry(), place) << name;
    }
    EXPECT_EQ(window.findChild<QLabel*>("JvLabLine")->pos(), QPoint(186, 262));
    EXPECT_EQ(window.findChild<QLabel*>("JvLabLine")->text(), "/");
    EXPECT_TRUE(window.findChild<QWidget*>("JvLabFile")->isHidden());
    EXPECT_EQ(window.JvLabBgTime().Caption(), "00:00:00");
    EXPECT_EQ(window.JvLabEdTime().Caption(), "00:00:00");

    // The panel is painted in its own colour, the player's colour key, and has a
    // native window of its own to hand to the player.
    QWidget& panel = window.Panel();
    EXPECT_TRUE(panel.autoFillBackground());
    EXPECT_EQ(panel.palette().color(QPalette::Window), QColor(0x10, 0x10, 0x10));
    EXPECT_NE(window.JvMplayerWindowId(), 0u);
    EXPECT_TRUE(panel.testAttribute(Qt::WA_NativeWindow));
    EXPECT_EQ(window.JvCmdProc().ConsoleOptions(), unsigned(coOwnerData | coRedirect));
}

TEST(MplayerFrm, PositionBarKeepsItsRulesAndTheUsersMoveStandsUntilTheNextPosition)
{
    QtPositionBar bar;
    EXPECT_EQ(bar.Max(), 100);
    bar.SetPosition(60);
    bar.SetMax(0);
    bar.SetPosition(101);
    bar.SetPosition(-3);
    EXPECT_EQ(bar.maximum(), 100);
    EXPECT_EQ(bar.value(), 60);
    bar.SetMax(20);
    EXPECT_EQ(bar.maximum(), 20);
    EXPECT_EQ(bar.value(), 20);
    bar.SetMax(10200);
    EXPECT_EQ(bar.value(), 20);
    // A move of the marker by the user (or by anyone but the logic) is what the bar holds.
    bar.setValue(5000);
    EXPECT_EQ(bar.Position(), 5000);
    bar.SetPosition(21);
    EXPECT_EQ(bar.value(), 21);
}

} // namespace
} // namespace ondrevo::testing
