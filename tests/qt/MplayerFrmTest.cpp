// The mini player window's widgets: the dark native panel the player is given, and the
// position bar keeping its rules as a slider that the user can also move.

#include "QtTestSupport.h"

#include "player/qt/QtPositionBar.h"
#include "player/qt/TMplayerFrm.h"

namespace ondrevo::testing {
namespace {

TEST(MplayerFrm, ThePanelHasANativeWindowInTheColourKey)
{
    QtEventLoop loop;
    TMplayerFrm window(loop);
    QWidget& panel = window.Panel();
    EXPECT_TRUE(panel.autoFillBackground());
    EXPECT_EQ(panel.palette().color(QPalette::Window), QColor(0x10, 0x10, 0x10));
    EXPECT_NE(window.JvMplayerWindowId(), 0u);
    EXPECT_EQ(window.JvMplayerWindowId(), static_cast<std::uint32_t>(panel.winId()));
    EXPECT_TRUE(window.findChild<QWidget*>("JvLabFile")->isHidden());
}

TEST(MplayerFrm, PositionBarKeepsItsRulesAndTheUsersMoveStandsUntilTheNextPosition)
{
    QtPositionBar bar;
    bar.SetPosition(60);
    bar.SetMax(0);
    bar.SetPosition(101);
    EXPECT_EQ(bar.maximum(), 100);
    EXPECT_EQ(bar.value(), 60);
    bar.SetMax(20);
    EXPECT_EQ(bar.value(), 20);
    bar.SetMax(10200);
    EXPECT_EQ(bar.value(), 20);
    bar.setValue(5000); // the user drags the marker
    EXPECT_EQ(bar.Position(), 5000);
    bar.SetPosition(21);
    EXPECT_EQ(bar.value(), 21);
}

} // namespace
} // namespace ondrevo::testing
