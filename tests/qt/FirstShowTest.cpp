// The window's first showing: the window goes to the screen before its handler fills
// it, and that handler runs once, before the window is first drawn and before any
// other handler; the pages behind the first tab and the tray icon are made when first
// needed.

#include "QtTestSupport.h"

#include "app/qt/QtSelector.h"
#include "app/qt/QtTrayIcon.h"

#include <QApplication>
#include <QEvent>
#include <QExposeEvent>
#include <QWindow>
#include <QTabWidget>

namespace ondrevo::testing {
namespace {

using FirstShow = MainWindowTest;

// Counts the routed FormShow and the selector's entries when the window is first painted.
class FirstPaint : public QObject {
public:
    FirstPaint(QWidget& window, const std::vector<std::string>& routed, const ISelector& selector)
        : routed_(routed)
        , selector_(selector)
    {
        window.installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !painted) {
            painted = true;
            fillsBefore = static_cast<int>(std::count(routed_.begin(), routed_.end(), "FormShow"));
            entriesBefore = selector_.ItemCount();
        }
        return false;
    }
    bool painted = false;
    int fillsBefore = -1;
    int entriesBefore = -1;

private:
    const std::vector<std::string>& routed_;
    const ISelector& selector_;
};

bool TrayIconMade()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == "JvPopupMenu")
            return true;
    return false;
}

TEST_F(FirstShow, TheWindowGoesUpEmptyAndIsFilledOnceBeforeItIsFirstDrawn)
{
    const FirstPaint paint(*window, routed, *window->FindSelector("JvCmbVdo1"));
    window->show();
    // Shown, and so mapped, without waiting for the fill.
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(Routed("FormShow"), 0);
    EXPECT_EQ(window->FindSelector("JvCmbVdo1")->ItemCount(), 0);
    // The display asking for a drawing before the posted fill ran has it run first.
    QExposeEvent expose(QRegion(window->rect()));
    QCoreApplication::sendEvent(window->windowHandle(), &expose);
    EXPECT_EQ(Routed("FormShow"), 1);

    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return paint.painted; }));
    EXPECT_EQ(paint.fillsBefore, 1);
    EXPECT_GT(paint.entriesBefore, 0);
    window->hide();
    window->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(Routed("FormShow"), 1);
    EXPECT_TRUE(errors.messages.empty()) << errors.messages.front();
}

// Whatever reaches the window between its showing and the posted fill (files handed
// over by a second start, a close asked for by a signal) finds the window filled and
// its list restored first.
TEST_F(FirstShow, AnEventBeforeTheFillRunsAfterIt)
{
    const struct {
        const char* name;
        std::function<void(TFFmpegFrm&)> act;
        std::vector<std::string> routed;
        int quits;
    } cases[] = {
        { "files handed over", [](TFFmpegFrm& w) { w.OpenGivenFiles({ "/nonexistent/clip.avi" }); },
            { "FormShow", "FileListViewDragDrop" }, 0 },
        { "close", [](TFFmpegFrm& w) { w.close(); }, { "FormShow" }, 1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        routed.clear();
        loop.quits = 0;
        std::filesystem::remove(Database());
        SetUp();
        window->show();
        c.act(*window);
        EXPECT_EQ(routed, c.routed);
        EXPECT_EQ(loop.quits, c.quits);
        QCoreApplication::processEvents();
        EXPECT_EQ(Routed("FormShow"), 1);
    }
}

// Index of `name` among the widgets that take the keyboard focus, in the window's order.
int FocusPlace(QWidget& window, const char* name)
{
    int place = 0;
    for (QWidget* widget = window.nextInFocusChain(); widget != &window; widget = widget->nextInFocusChain()) {
        if (widget->objectName() == name)
            return place;
        if (widget->focusPolicy() & Qt::TabFocus)
            ++place;
    }
    return -1;
}

TEST_F(FirstShow, ThePagesBehindTheFirstTabAreMadeWhenNeededInTheirKeyboardPlace)
{
    auto* pages = Find<QTabWidget>("JvPageControl");
    ASSERT_EQ(pages->count(), 5);
    for (int page = 1; page < pages->count(); ++page)
        EXPECT_TRUE(pages->widget(page)->children().isEmpty()) << page;
    EXPECT_EQ(window->findChild<QComboBox*>("MadeForCombo"), nullptr);

    Show();
    for (int page = 1; page < pages->count(); ++page)
        EXPECT_FALSE(pages->widget(page)->children().isEmpty()) << page;
    EXPECT_GT(window->FindSelector("JvCmbAdo1")->ItemCount(), 0);
    // Tab goes through the pages' controls in their order, then to the status line.
    const char* order[] = { "JvCmbVdo5", "JvCmbAdo1", "JvCmbAdo4", "JvCheckBox", "SizeLimitCombo", "MadeForCombo",
        "ImportPresetBtn", "JvEditCmdMsg" };
    for (std::size_t i = 1; i < std::size(order); ++i)
        EXPECT_LT(FocusPlace(*window, order[i - 1]), FocusPlace(*window, order[i])) << order[i];

    // A control asked for before the window is shown is made then, on a window not shown.
    TearDown();
    std::filesystem::remove(Database());
    SetUp();
    EXPECT_EQ(window->ExistingOutputsCombo().ItemCount(), 0);
    EXPECT_NE(window->findChild<QComboBox*>("MadeForCombo"), nullptr);
}

TEST_F(FirstShow, TheTrayIconIsMadeOnceTheWindowIsUpOrWhenAskedFor)
{
    EXPECT_EQ(window->JvTrayIcon().ImageIndex(), 15);
    window->JvTrayIcon().SetImageIndex(15);
    EXPECT_FALSE(TrayIconMade());
    Show();
    ASSERT_TRUE(QTest::qWaitFor(TrayIconMade));
    EXPECT_EQ(window->TrayIcon().toolTip(), "Ondrevo");

    TearDown();
    std::filesystem::remove(Database());
    SetUp();
    EXPECT_FALSE(TrayIconMade());
    window->JvTrayIcon().SetImageIndex(16);
    EXPECT_TRUE(TrayIconMade());
    EXPECT_EQ(window->TrayIcon().ImageIndex(), 16);
}

} // namespace
} // namespace ondrevo::testing
