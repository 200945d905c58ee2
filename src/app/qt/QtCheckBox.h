#pragma once
// A check box the logic reads.

#include "base/Controls.h"

#include <QCheckBox>

namespace ondrevo {

class QtCheckBox : public QCheckBox, public ICheckBox {
public:
    explicit QtCheckBox(const QString& caption, QWidget* parent = nullptr)
        : QCheckBox(caption, parent)
    {
    }

    bool Checked() const override { return isChecked(); }
};

} // namespace ondrevo
