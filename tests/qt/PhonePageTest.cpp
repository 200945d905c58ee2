// The Phone page: "Made for" and its buttons, where they stand, what a screen reader
// hears, and a keyboard pick and each button reaching their handlers.

#include "QtTestSupport.h"

#include "parameters/Presets.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include <fstream>

namespace ondrevo::testing {
namespace {

using PhonePage = MainWindowTest;

TEST_F(PhonePage, MadeForAndItsButtonsStandOnThePhonePageAndReachTheirHandlers)
{
    Show();
    auto* pages = Find<QTabWidget>("JvPageControl");
    auto* madeFor = Find<QComboBox>("MadeForCombo");
    ASSERT_NE(madeFor, nullptr);
    pages->setCurrentIndex(4);
    QWidget* page = pages->widget(4);
    EXPECT_EQ(pages->tabText(4), "Phone");
    EXPECT_EQ(madeFor->parentWidget(), page);
    EXPECT_FALSE(madeFor->isEditable());
    EXPECT_EQ(madeFor->currentText().toStdString(), presets::kOwnChoices);
    EXPECT_EQ(madeFor->accessibleName(), "Made for");
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(madeFor);
    ASSERT_NE(node, nullptr);
    const auto labels = node->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels.front().first->text(QAccessible::Name), "Made for");
    EXPECT_EQ(Find<QLabel>("LabelMadeForCombo")->buddy(), madeFor);

    const struct {
        const char* name;
        const char* caption;
    } buttons[] = {
        { "SavePresetBtn", "Save as\u2026" },
        { "DeletePresetBtn", "Delete" },
        { "ExportPresetBtn", "Export\u2026" },
        { "ImportPresetBtn", "Import\u2026" },
    };
    QRect taken = madeFor->geometry();
    for (const auto& expected : buttons) {
        auto* button = Find<QPushButton>(expected.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text().toStdString(), expected.caption);
        EXPECT_TRUE(page->rect().contains(button->geometry())) << expected.name;
        EXPECT_FALSE(button->geometry().intersects(taken)) << expected.name;
        taken = taken.united(button->geometry());
    }

    // The first built-in preset, picked with the keyboard, sets the choices of the other pages.
    madeFor->setFocus();
    QTest::keyClick(madeFor, Qt::Key_Home);
    EXPECT_EQ(Routed("MadeForComboChange"), 1);
    EXPECT_EQ(madeFor->currentText().toStdString(), presets::BuiltIn().front().name);
    EXPECT_EQ(Find<QComboBox>("JvCmbAdo1")->currentText(), "AMR-NB");

    desktop.textAnswers = { "Pocket" };
    Find<QPushButton>("SavePresetBtn")->click();
    EXPECT_EQ(Routed("SavePresetBtnClick"), 1);
    EXPECT_EQ(madeFor->currentText(), "Pocket");
    desktop.fileAnswers = { dir.File("Pocket.txt") };
    Find<QPushButton>("ExportPresetBtn")->click();
    EXPECT_EQ(Routed("ExportPresetBtnClick"), 1);
    Find<QPushButton>("DeletePresetBtn")->click();
    EXPECT_EQ(Routed("DeletePresetBtnClick"), 1);
    EXPECT_EQ(madeFor->currentText().toStdString(), presets::BuiltIn().front().name);
    desktop.fileAnswers = { dir.File("Pocket.txt") };
    Find<QPushButton>("ImportPresetBtn")->click();
    EXPECT_EQ(Routed("ImportPresetBtnClick"), 1);
    EXPECT_EQ(madeFor->currentText(), "Pocket");
    EXPECT_TRUE(errors.messages.empty()) << errors.messages.front();
}

} // namespace
} // namespace ondrevo::testing
