#include "app/qt/QtChoice.h"

#include <QSignalBlocker>

namespace ondrevo {

QtChoice::QtChoice(QWidget* parent)
    : QComboBox(parent)
{
    // activated comes only from the user.
    connect(this, &QComboBox::activated, this, [this] {
        if (OnChange)
            OnChange();
    });
}

void QtChoice::SetItemIndex(int index)
{
    const QSignalBlocker blocker(this);
    setCurrentIndex(index >= 0 && index < count() ? index : -1);
}

void QtChoice::ClearItems()
{
    const QSignalBlocker blocker(this);
    clear();
}

void QtChoice::AppendItem(const std::string& name)
{
    const QSignalBlocker blocker(this);
    addItem(QString::fromStdString(name));
}

} // namespace ondrevo
