#include "app/qt/QtToolButton.h"

namespace ondrevo {

QtToolButton::QtToolButton(const QString& caption, const QString& hint, const QIcon& icon, QWidget* parent)
    : QToolButton(parent)
{
    setText(caption);
    setToolTip(hint);
    setIcon(icon);
    setIconSize(QSize(16, 16));
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setAutoRaise(true);
    // Toolbar buttons act on the window; they do not take the keyboard focus from the lists.
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(kWidth, kHeight);
}

} // namespace ondrevo
