#pragma once
// A drop-down list of fixed entries that cannot be typed into, as the logic's selector:
// the user's picks (the list, the arrow keys, the wheel) raise OnChange; filling and
// positioning from the program raise nothing. Its list of entries, built when first
// needed, takes the control's accessible name.

#include "base/Controls.h"

#include <QComboBox>

#include <functional>

namespace ondrevo {

class QtChoice : public QComboBox, public ISelector {
public:
    explicit QtChoice(QWidget* parent = nullptr);

    std::function<void()> OnChange;

    int ItemIndex() const override { return currentIndex(); }
    void SetItemIndex(int index) override;
    void ClearItems() override;
    void AppendItem(const std::string& name) override;
    int ItemCount() const override { return count(); }
    std::string Item(int index) const override { return itemText(index).toStdString(); }
    std::string Text() const override { return currentText().toStdString(); }
    int Tag() const override { return 0; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void childEvent(QChildEvent* event) override;
    // The user picked an entry from the list.
    virtual void Picked();
};

} // namespace ondrevo
