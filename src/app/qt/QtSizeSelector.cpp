#include "app/qt/QtSizeSelector.h"

#include "base/HandlerDispatch.h"

#include <QAbstractItemView>
#include <QChildEvent>
#include <QLineEdit>
#include <QSignalBlocker>

namespace ondrevo {

QtSizeSelector::QtSizeSelector(QWidget* parent)
    : QComboBox(parent)
{
    setLineEdit(new QLineEdit(this));
    // A typed size is taken by the handler, which shows it as an entry of its own.
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    connect(this, &QComboBox::activated, this, [this] { RaiseChange(); });
    connect(lineEdit(), &QLineEdit::editingFinished, this, [this] {
        // Leaving the field without typing changes nothing.
        if (lineEdit()->isModified())
            RaiseChange();
    });
}

void QtSizeSelector::SetItemIndex(int index)
{
    const QSignalBlocker blocker(this);
    setCurrentIndex(index >= 0 && index < count() ? index : -1);
    if (index >= 0 && index < count())
        setEditText(itemText(index));
    lineEdit()->setModified(false);
}

void QtSizeSelector::ClearItems()
{
    const QSignalBlocker blocker(this);
    clear();
}

void QtSizeSelector::AppendItem(const std::string& name)
{
    const QSignalBlocker blocker(this);
    addItem(QString::fromStdString(name));
}

void QtSizeSelector::childEvent(QChildEvent* event)
{
    QComboBox::childEvent(event);
    // The drop-down list is built when first needed, inside a popup frame added here:
    // watching the frame lets the list take the selector's name.
    if (event->added())
        event->child()->installEventFilter(this);
}

bool QtSizeSelector::eventFilter(QObject* watched, QEvent* event)
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

void QtSizeSelector::RaiseChange()
{
    lineEdit()->setModified(false);
    if (OnChange)
        Dispatch(OnChange);
}

} // namespace ondrevo
