#include "player/qt/QtPositionBar.h"

#include <QPalette>

namespace ondrevo {

QtPositionBar::QtPositionBar(QWidget* parent)
    : QSlider(Qt::Horizontal, parent)
{
    setRange(0, kDefaultMax);
    setValue(0);
    setFocusPolicy(Qt::NoFocus);
    // A purple marker on a groove that runs from the window's background colour to the
    // pale blue of an active title bar's gradient; no border.
    const QString background = palette().color(QPalette::Window).name();
    setStyleSheet(QStringLiteral("QSlider::groove:horizontal { border: none; height: 8px;"
                                 " background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 %1, stop:1 #b9d1ea); }"
                                 "QSlider::handle:horizontal { background: #800080; border: none; width: 9px;"
                                 " margin: -6px 0; }")
                      .arg(background));
}

void QtPositionBar::StoreRange(int max, int position)
{
    setMaximum(max);
    setValue(position);
}

} // namespace ondrevo
