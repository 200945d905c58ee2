#include "app/qt/QtChoiceBox.h"

#include "base/HandlerDispatch.h"

#include <QSignalBlocker>

namespace ondrevo {

QtChoiceBox::QtChoiceBox(const QString& caption, QWidget* parent)
    : QCheckBox(caption, parent)
{
    // clicked comes from the user alone; setChecked raises toggled only.
    connect(this, &QCheckBox::clicked, this, [this] {
        if (OnChange)
            Dispatch(OnChange);
    });
}

void QtChoiceBox::SetChecked(bool checked)
{
    const QSignalBlocker blocker(this);
    setChecked(checked);
}

} // namespace ondrevo
