#pragma once
// An editable drop-down list whose typed text counts once the user has finished it
// (Return, or leaving the field), not at every key: a size typed digit by digit passes
// through sizes nobody means. OnChange runs for a pick from the list and for a finished
// edit; filling and positioning from the program raise nothing. The selected entry
// stays what it was while the user types.

#include "base/Controls.h"

#include <QComboBox>

#include <functional>

namespace ondrevo {

class QtSizeSelector : public QComboBox, public ISelector {
public:
    explicit QtSizeSelector(QWidget* parent = nullptr);

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

private:
    void RaiseChange();
};

} // namespace ondrevo
