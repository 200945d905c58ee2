#pragma once
// An editable drop-down list of parameter entries. Typing completes inline: when the
// text typed so far begins an entry's name (letter case ignored), the first such entry
// is selected and the rest of its name is added after the typed letters, highlighted so
// that further typing replaces it. Any other edit, deleting included, selects nothing.
// Picking from the list shows the entry's name.
//
// OnChange runs for the user's picks and edits only; filling and positioning from the
// program (ClearItems, AppendItem, SetItemIndex) raise nothing.

#include "base/Controls.h"

#include <QComboBox>

#include <functional>

namespace ondrevo {

class QtSelector : public QComboBox, public ISelector {
public:
    explicit QtSelector(int tag, QWidget* parent = nullptr);
    ~QtSelector() override;

    std::function<void()> OnChange;

    int ItemIndex() const override { return currentIndex(); }
    void SetItemIndex(int index) override;
    void ClearItems() override;
    void AppendItem(const std::string& name) override;
    int ItemCount() const override { return count(); }
    std::string Item(int index) const override;
    std::string Text() const override;
    int Tag() const override { return tag_; }

    static constexpr int kWidth = 115;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    void UserEdited(const QString& text);
    void UserPicked(int index);
    void RaiseChange();
    // Selects `index` without touching the text the user is editing.
    void SelectKeepingText(int index, const QString& text, int cursor, int selectionStart, int selectionLength);
    // Remembers the text and its selection before each edit, to tell typing from deleting.
    void RememberEditState();

    int tag_;
    QString textBefore_;
    int selectionLengthBefore_ = 0;
};

} // namespace ondrevo
