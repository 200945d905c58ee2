#include "app/qt/QtChoice.h"

#include <QAbstractItemView>
#include <QChildEvent>
#include <QLineEdit>
#include <QSignalBlocker>

namespace ondrevo {

QtChoice::QtChoice(QWidget* parent)
    : QComboBox(parent)
{
    // activated comes only from the user.
    connect(this, &QComboBox::activated, this, [this] { Picked(); });
}

void QtChoice::Picked()
{
    if (OnChange)
        OnChange();
}

void QtChoice::childEvent(QChildEvent* event)
{
    QComboBox::childEvent(event);
    // The popup frame is added first and the list put into it afterwards: watching the
    // frame lets the list take the control's name.
    if (event->added())
        event->child()->installEventFilter(this);
}

bool QtChoice::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ChildAdded && watched != lineEdit()) {
        if (auto* list = qobject_cast<QAbstractItemView*>(static_cast<QChildEvent*>(event)->child())) {
            watched->removeEventFilter(this);
            if (list->accessibleName().isEmpty())
                list->setAccessibleName(accessibleName());
        }
    }
    return QComboBox::eventFilter(watched, event);
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
