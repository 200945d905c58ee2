// Typing into a selector completes inline, case-insensitively, and only the user's
// picks and edits raise its change event.

#include "app/qt/QtSelector.h"
#include "support/MemoryControls.h"

#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace ondrevo::testing {
namespace {

class SelectorTyping : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : { "Apple", "Banana", "Cherry", "Bandit" })
            selector.AppendItem(name);
        selector.SetItemIndex(0);
        selector.OnChange = [this] { changes.push_back(selector.ItemIndex()); };
        selector.show();
        selector.setFocus();
    }

    QString Typed() const { return selector.lineEdit()->text(); }
    QString Highlighted() const { return selector.lineEdit()->selectedText(); }

    void Retype(const char* text)
    {
        selector.lineEdit()->selectAll();
        QTest::keyClicks(&selector, text);
    }

    QtSelector selector { 3 };
    std::vector<int> changes;
};

TEST_F(SelectorTyping, TheFirstEntryBeginningWithTheTypedTextIsSelectedAndTheRestHighlighted)
{
    Retype("b");
    EXPECT_EQ(selector.ItemIndex(), 1);
    EXPECT_EQ(Typed(), "banana");
    EXPECT_EQ(Highlighted(), "anana");
    EXPECT_EQ(selector.Text(), "banana");

    // Further typing replaces the highlighted part and completes again.
    QTest::keyClicks(&selector, "AnD");
    EXPECT_EQ(selector.ItemIndex(), 3);
    EXPECT_EQ(Typed(), "bAnDit");
    EXPECT_EQ(Highlighted(), "it");
    EXPECT_EQ(changes, (std::vector<int> { 1, 1, 1, 3 }));
}

TEST_F(SelectorTyping, TypingThatBeginsNoEntrySelectsNothing)
{
    Retype("bx");
    EXPECT_EQ(selector.ItemIndex(), -1);
    EXPECT_EQ(Typed(), "bx");
    EXPECT_TRUE(Highlighted().isEmpty());
    EXPECT_EQ(changes, (std::vector<int> { 1, -1 }));
}

TEST_F(SelectorTyping, DeletingSelectsNothingEvenWhenTheTextStillBeginsAnEntry)
{
    Retype("ch");
    ASSERT_EQ(selector.ItemIndex(), 2);
    ASSERT_EQ(Typed(), "cherry");
    // The first Backspace takes the highlighted "erry" away.
    QTest::keyClick(&selector, Qt::Key_Backspace);
    EXPECT_EQ(Typed(), "ch");
    EXPECT_EQ(selector.ItemIndex(), -1);
    QTest::keyClick(&selector, Qt::Key_Backspace);
    EXPECT_EQ(Typed(), "c");
    EXPECT_EQ(selector.ItemIndex(), -1);
    EXPECT_EQ(changes, (std::vector<int> { 2, 2, -1, -1 }));
    // Typing again completes again.
    QTest::keyClicks(&selector, "h");
    EXPECT_EQ(selector.ItemIndex(), 2);
    EXPECT_EQ(Typed(), "cherry");
}

TEST_F(SelectorTyping, EnterAndLeavingKeepThePositionTheTypingGave)
{
    // Deleting back to an entry's exact name selects nothing; the combo box would pick
    // that entry by itself on Return or when the focus leaves.
    Retype("Bananas");
    ASSERT_EQ(selector.ItemIndex(), -1);
    QTest::keyClick(&selector, Qt::Key_Backspace);
    ASSERT_EQ(Typed(), "Banana");
    QTest::keyClick(&selector, Qt::Key_Return);
    EXPECT_EQ(selector.ItemIndex(), -1);
    selector.clearFocus();
    EXPECT_EQ(selector.ItemIndex(), -1);
    EXPECT_EQ(selector.count(), 4);
    EXPECT_EQ(Typed(), "Banana");
}

TEST_F(SelectorTyping, PickingFromTheListShowsTheNameAndRaisesAChange)
{
    Retype("xyz");
    changes.clear();
    selector.setCurrentIndex(2);
    emit selector.activated(2);
    EXPECT_EQ(selector.ItemIndex(), 2);
    EXPECT_EQ(selector.Text(), "Cherry");
    EXPECT_EQ(changes, std::vector<int> { 2 });
    QTest::keyClick(&selector, Qt::Key_Down);
    EXPECT_EQ(selector.ItemIndex(), 3);
    EXPECT_EQ(selector.Text(), "Bandit");
    EXPECT_EQ(changes, (std::vector<int> { 2, 3 }));
}

TEST_F(SelectorTyping, FillingAndPositioningFromTheProgramRaiseNothing)
{
    selector.ClearItems();
    EXPECT_EQ(selector.ItemIndex(), -1);
    EXPECT_EQ(selector.Text(), "");
    selector.AppendItem("One");
    selector.AppendItem("Two");
    // Appending selects nothing, not even the first entry.
    EXPECT_EQ(selector.ItemIndex(), -1);
    EXPECT_EQ(selector.ItemCount(), 2);
    selector.SetItemIndex(1);
    EXPECT_EQ(selector.ItemIndex(), 1);
    EXPECT_EQ(selector.Text(), "Two");
    selector.SetItemIndex(2);
    EXPECT_EQ(selector.ItemIndex(), -1);
    EXPECT_EQ(selector.Text(), "");
    selector.SetItemIndex(-1);
    EXPECT_EQ(selector.ItemIndex(), -1);
    EXPECT_TRUE(changes.empty());
    EXPECT_EQ(selector.Item(0), "One");
    EXPECT_THROW(selector.Item(2), std::exception);
    EXPECT_EQ(selector.Tag(), 3);
}

TEST_F(SelectorTyping, AnErrorInTheChangeHandlerIsReported)
{
    ErrorReports reports;
    selector.OnChange = [] { throw std::runtime_error("cannot save"); };
    Retype("a");
    EXPECT_EQ(reports.messages, std::vector<std::string> { "cannot save." });
    EXPECT_EQ(selector.ItemIndex(), 0);
}

} // namespace
} // namespace ondrevo::testing
