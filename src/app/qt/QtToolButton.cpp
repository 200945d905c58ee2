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
    // Reached with Tab and pressed with Space; a click does not take the keyboard focus
    // from the lists.
    setFocusPolicy(Qt::TabFocus);
    setFixedSize(kWidth, kHeight);
}

} // namespace ondrevo
