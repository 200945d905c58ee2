#include "app/qt/QtNumberEdit.h"

namespace ondrevo {

QtNumberEdit::QtNumberEdit(QWidget* parent)
    : QSpinBox(parent)
{
    // One change per finished edit, not one per key typed.
    setKeyboardTracking(false);
    connect(this, &QSpinBox::valueChanged, this, [this] {
        if (!settingFromProgram_ && OnChange)
            OnChange();
    });
}

void QtNumberEdit::SetValue(int v)
{
    settingFromProgram_ = true;
    setValue(v);
    settingFromProgram_ = false;
}

void QtNumberEdit::SetRange(int minimum, int maximum)
{
    settingFromProgram_ = true;
    setRange(minimum, maximum);
    settingFromProgram_ = false;
}

} // namespace ondrevo
