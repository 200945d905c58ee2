#pragma once
// The face the program's windows use: Tahoma where it is installed, otherwise a
// condensed face of about its width, so captions fit the columns, selectors and labels
// they were sized for.

#include <QFont>

namespace ondrevo {

QFont WindowFont();

// Makes the window's face the application's font for as long as it lives, then gives
// back the one before (the desktop's).
class WindowFontWhileMaking {
public:
    WindowFontWhileMaking();
    ~WindowFontWhileMaking();
    WindowFontWhileMaking(const WindowFontWhileMaking&) = delete;
    WindowFontWhileMaking& operator=(const WindowFontWhileMaking&) = delete;

private:
    QFont before_;
};

} // namespace ondrevo
