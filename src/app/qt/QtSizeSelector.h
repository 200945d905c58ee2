#pragma once
// An editable drop-down list whose typed text counts once the user has finished it
// (Return, or leaving the field), not at every key: a size typed digit by digit passes
// through sizes nobody means. OnChange runs for a pick from the list and for a finished
// edit; filling and positioning from the program raise nothing. The selected entry
// stays what it was while the user types.

#include "app/qt/QtChoice.h"

namespace ondrevo {

class QtSizeSelector : public QtChoice {
public:
    explicit QtSizeSelector(QWidget* parent = nullptr);

    void SetItemIndex(int index) override;

protected:
    void Picked() override;

private:
    void RaiseChange();
};

} // namespace ondrevo
