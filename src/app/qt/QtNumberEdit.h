#pragma once
// A spin box as the logic's number field: the user's edits raise OnChange, values set
// from the program do not.

#include "base/Controls.h"

#include <QSpinBox>

#include <functional>

namespace ondrevo {

class QtNumberEdit : public QSpinBox, public INumberEdit {
public:
    explicit QtNumberEdit(QWidget* parent = nullptr);

    int Value() const override { return value(); }
    void SetValue(int v) override;
    int Maximum() const override { return maximum(); }
    void SetRange(int minimum, int maximum) override;

    std::function<void()> OnChange;

private:
    bool settingFromProgram_ = false;
};

} // namespace ondrevo
