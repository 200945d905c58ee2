// "Existing output files" on the Other Settings page: where it stands, what a screen
// reader hears, and a pick made with the keyboard is stored.

#include "QtTestSupport.h"

#include "parameters/ExistingOutputs.h"

#include <QAccessible>
#include <QComboBox>
#include <QSpinBox>
#include <QTabWidget>

namespace ondrevo::testing {
namespace {

using ExistingOutputsChoice = MainWindowTest;

TEST_F(ExistingOutputsChoice, StandsOnOtherSettingsWithItsNameAndStoresAKeyboardPick)
{
    Show();
    auto* pages = Find<QTabWidget>("JvPageControl");
    auto* choice = Find<QComboBox>("ExistingOutputsCombo");
    ASSERT_NE(choice, nullptr);
    pages->setCurrentIndex(2);
    EXPECT_EQ(choice->parentWidget(), pages->widget(2));
    EXPECT_TRUE(pages->widget(2)->rect().contains(choice->geometry()));
    auto* atOnce = Find<QSpinBox>("FilesAtOnceSpin");
    EXPECT_TRUE(pages->widget(2)->rect().contains(atOnce->geometry()));
    EXPECT_FALSE(choice->geometry().intersects(atOnce->geometry()));
    EXPECT_FALSE(choice->isEditable());
    EXPECT_EQ(choice->accessibleName(), "Existing output files");
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(choice);
    ASSERT_NE(node, nullptr);
    const auto labels = node->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels.front().first->text(QAccessible::Name), "Existing output files:");

    choice->setFocus();
    QTest::keyClick(choice, Qt::Key_Down);
    EXPECT_EQ(choice->currentText(), "Skip");
    EXPECT_EQ(Routed("ExistingOutputsComboChange"), 1);
    EXPECT_EQ(existing_outputs::Read(dataModule->SqliteQuery()), ExistingOutputs::Skip);
    EXPECT_TRUE(errors.messages.empty()) << errors.messages.front();
}

} // namespace
} // namespace ondrevo::testing
