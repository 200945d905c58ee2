#include "app/qt/QtSizeSelector.h"

#include "base/HandlerDispatch.h"

#include <QCompleter>
#include <QLineEdit>
#include <QSignalBlocker>

namespace ondrevo {

QtSizeSelector::QtSizeSelector(QWidget* parent)
    : QtChoice(parent)
{
    // With a completer of its own the combo box makes none over the entries (see QtSelector).
    auto* typed = new QLineEdit(this);
    typed->setCompleter(new QCompleter(typed));
    setLineEdit(typed);
    // A typed size is taken by the handler, which shows it as an entry of its own.
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    connect(lineEdit(), &QLineEdit::editingFinished, this, [this] {
        // Leaving the field without typing changes nothing.
        if (lineEdit()->isModified())
            RaiseChange();
    });
}

void QtSizeSelector::SetItemIndex(int index)
{
    QtChoice::SetItemIndex(index);
    const QSignalBlocker blocker(this);
    if (index >= 0 && index < count())
        setEditText(itemText(index));
    lineEdit()->setModified(false);
}

void QtSizeSelector::Picked()
{
    RaiseChange();
}

void QtSizeSelector::RaiseChange()
{
    lineEdit()->setModified(false);
    if (OnChange)
        Dispatch(OnChange);
}

} // namespace ondrevo
