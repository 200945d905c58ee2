#pragma once
// A check box holding a stored choice: OnChange runs for the user's clicks only, not
// when the program sets it.

#include "base/Controls.h"

#include <QCheckBox>

#include <functional>

namespace ondrevo {

class QtChoiceBox : public QCheckBox, public IChoiceBox {
public:
    explicit QtChoiceBox(const QString& caption, QWidget* parent = nullptr);

    std::function<void()> OnChange;

    bool Checked() const override { return isChecked(); }
    void SetChecked(bool checked) override;
};

} // namespace ondrevo
