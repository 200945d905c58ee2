#include "app/qt/QtSelector.h"

#include "base/Errors.h"
#include "base/HandlerDispatch.h"

#include <QAbstractItemView>
#include <QChildEvent>
#include <QCompleter>
#include <QEvent>
#include <QLineEdit>
#include <QSignalBlocker>

namespace ondrevo {

QtSelector::QtSelector(int tag, QWidget* parent)
    : QComboBox(parent)
    , tag_(tag)
{
    // Editable from the start; the drop-down list is built when first needed
    // (setEditable would build it now, nine times over at start). An edit that comes
    // with a completer keeps the combo box from making its own over the entries, which
    // setCompleter below would only throw away.
    auto* typed = new QLineEdit(this);
    typed->setCompleter(new QCompleter(typed));
    setLineEdit(typed);
    // Typed texts never become entries, and the completion below is the only one.
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    setFixedWidth(kWidth);
    setMaxVisibleItems(16);

    QLineEdit* edit = lineEdit();
    // The combo box would also pick an entry by itself when editing ends or Return is
    // pressed on a text that equals a name; the position must stay what the typing gave.
    disconnect(edit, &QLineEdit::editingFinished, this, nullptr);
    disconnect(edit, &QLineEdit::returnPressed, this, nullptr);
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textEdited, this, &QtSelector::UserEdited);
    connect(edit, &QLineEdit::selectionChanged, this, &QtSelector::RememberEditState);
    connect(edit, &QLineEdit::textChanged, this, &QtSelector::RememberEditState);
    connect(edit, &QLineEdit::cursorPositionChanged, this, &QtSelector::RememberEditState);
    // activated comes only from the user: a pick in the list, arrow keys or the wheel.
    connect(this, &QComboBox::activated, this, &QtSelector::UserPicked);
}

void QtSelector::childEvent(QChildEvent* event)
{
    QComboBox::childEvent(event);
    // The drop-down list is built when first needed: a popup frame is added here, and the
    // finished list is then put into it. Watching the frame lets the list take the
    // selector's name before anything can ask for it.
    if (event->added())
        event->child()->installEventFilter(this);
}

QtSelector::~QtSelector()
{
    // The combo box below still tears down its edit; nothing of it reaches this part.
    lineEdit()->disconnect(this);
    lineEdit()->removeEventFilter(this);
}

void QtSelector::SetItemIndex(int index)
{
    const QSignalBlocker blocker(this);
    setCurrentIndex(index >= 0 && index < count() ? index : -1);
    RememberEditState();
}

void QtSelector::ClearItems()
{
    const QSignalBlocker blocker(this);
    clear();
    lineEdit()->clear();
    RememberEditState();
}

void QtSelector::AppendItem(const std::string& name)
{
    const QSignalBlocker blocker(this);
    const int before = currentIndex();
    const QString text = lineEdit()->text();
    addItem(QString::fromStdString(name));
    // The combo box selects the first entry put into an empty list; appending selects nothing.
    if (before < 0 && currentIndex() >= 0) {
        const QSignalBlocker editBlocker(lineEdit());
        setCurrentIndex(-1);
        lineEdit()->setText(text);
    }
    RememberEditState();
}

std::string QtSelector::Item(int index) const
{
    if (index < 0 || index >= count())
        throw Exception("List index out of bounds (" + std::to_string(index) + ")");
    return itemText(index).toStdString();
}

std::string QtSelector::Text() const
{
    return lineEdit()->text().toStdString();
}

bool QtSelector::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ChildAdded && watched != lineEdit()) {
        if (auto* list = qobject_cast<QAbstractItemView*>(static_cast<QChildEvent*>(event)->child())) {
            // Named once; the frame's further events are none of the selector's business.
            watched->removeEventFilter(this);
            if (list->accessibleName().isEmpty())
                list->setAccessibleName(accessibleName());
        }
    }
    if (watched == lineEdit()) {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::InputMethod:
        case QEvent::MouseButtonPress:
        case QEvent::Drop:
            RememberEditState();
            break;
        default:
            break;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

void QtSelector::RememberEditState()
{
    textBefore_ = lineEdit()->text();
    selectionLengthBefore_ = static_cast<int>(lineEdit()->selectedText().size());
}

void QtSelector::UserEdited(const QString& text)
{
    QLineEdit* edit = lineEdit();
    const int cursor = edit->cursorPosition();
    // Typing replaces the highlighted part and adds something; what is left is then
    // longer than the text without its highlighted part. Deleting leaves it shorter.
    const bool typed = text.size() > textBefore_.size() - selectionLengthBefore_;
    const bool atEnd = cursor == text.size();

    int match = -1;
    if (typed && atEnd && !text.isEmpty()) {
        for (int i = 0; i < count(); ++i)
            if (itemText(i).startsWith(text, Qt::CaseInsensitive)) {
                match = i;
                break;
            }
    }
    if (match >= 0) {
        const QString completed = text + itemText(match).mid(text.size());
        SelectKeepingText(match, completed, cursor, cursor, static_cast<int>(completed.size() - text.size()));
    } else {
        SelectKeepingText(-1, text, cursor, -1, 0);
    }
    RaiseChange();
}

void QtSelector::SelectKeepingText(int index, const QString& text, int cursor, int selectionStart, int selectionLength)
{
    const QSignalBlocker blocker(this);
    QLineEdit* edit = lineEdit();
    {
        const QSignalBlocker editBlocker(edit);
        // Selecting an entry writes its name into the edit; the typed text is put back.
        setCurrentIndex(index);
        edit->setText(text);
        if (selectionStart >= 0 && selectionLength > 0)
            edit->setSelection(selectionStart, selectionLength);
        else
            edit->setCursorPosition(cursor);
    }
    RememberEditState();
}

void QtSelector::UserPicked(int index)
{
    if (index >= 0 && index < count()) {
        const QSignalBlocker blocker(this);
        lineEdit()->setText(itemText(index));
    }
    RememberEditState();
    RaiseChange();
}

void QtSelector::RaiseChange()
{
    if (OnChange)
        Dispatch(OnChange);
}

} // namespace ondrevo
