#pragma once
// A check box the logic reads and sets: the user's clicks raise OnChange, a state set
// from the program does not.

#include "base/Controls.h"

#include <QCheckBox>
#include <functional>

namespace ondrevo {

class QtCheckBox : public QCheckBox, public ICheckBox {
public:
    explicit QtCheckBox(const QString& caption, QWidget* parent = nullptr)
        : QCheckBox(caption, parent)
    {
        connect(this, &QCheckBox::clicked, this, [this] {
            if (OnChange)
                OnChange();
        });
    }

    bool Checked() const override { return isChecked(); }
    void SetChecked(bool checked) override { setChecked(checked); }
    std::function<void()> OnChange;
};

} // namespace ondrevo
