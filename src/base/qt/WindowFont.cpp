#include "base/qt/WindowFont.h"

#include <QApplication>
#include <QStringList>

namespace ondrevo {

QFont WindowFont()
{
    QFont font("Tahoma", 8);
    font.setFamilies({ "Tahoma", "DejaVu Sans Condensed", "Liberation Sans Narrow", "Arial Narrow" });
    return font;
}

WindowFontWhileMaking::WindowFontWhileMaking()
    : before_(QApplication::font())
{
    QApplication::setFont(WindowFont());
}

WindowFontWhileMaking::~WindowFontWhileMaking()
{
    QApplication::setFont(before_);
}

} // namespace ondrevo
