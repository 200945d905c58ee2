#include "app/qt/QtEdit.h"

#include "base/HandlerDispatch.h"

namespace ondrevo {

QtEdit::QtEdit(const std::string& initial, QWidget* parent)
    : QLineEdit(parent)
    , text_(initial)
{
    QLineEdit::setText(QString::fromStdString(initial));
    connect(this, &QLineEdit::textEdited, this, &QtEdit::UserEdited);
}

void QtEdit::StoreText(const std::string& text)
{
    text_ = text;
    QLineEdit::setText(QString::fromStdString(text));
    // Long texts (the status line) are read from their beginning.
    setCursorPosition(0);
}

void QtEdit::UserEdited(const QString& text)
{
    text_ = text.toStdString();
    if (OnChange)
        Dispatch(OnChange);
}

} // namespace ondrevo
