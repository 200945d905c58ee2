#pragma once
// The one face every window of the program uses: Tahoma where it is installed,
// otherwise a condensed face of about its width, so captions fit the columns, selectors
// and labels they were sized for. Set for the whole application at start, so that
// popups, menus, tooltips and hidden parts use it too and no second face is loaded.

#include <QFont>

namespace ondrevo {

QFont WindowFont();

} // namespace ondrevo
