#include "base/qt/WindowFont.h"

#include <QStringList>

namespace ondrevo {

QFont WindowFont()
{
    QFont font("Tahoma", 8);
    font.setFamilies({ "Tahoma", "DejaVu Sans Condensed", "Liberation Sans Narrow", "Arial Narrow" });
    return font;
}

} // namespace ondrevo
