#include "app/qt/EtchedGroupBox.h"

#include <QPainter>
#include <QRegion>
#include <QStyle>

namespace ondrevo {
namespace {

constexpr int kTitleLeft = 8;
constexpr int kTitlePadding = 2;

} // namespace

EtchedGroupBox::EtchedGroupBox(const QString& title, QWidget* parent)
    : QGroupBox(title, parent)
{
}

void EtchedGroupBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    const QString text = title();
    const QRect label(kTitleLeft, 0, metrics.horizontalAdvance(text) + 2 * kTitlePadding, metrics.height());
    const int top = text.isEmpty() ? 0 : label.center().y();

    // The frame runs behind the title's gap, not through it.
    QRegion frameArea(rect());
    if (!text.isEmpty())
        frameArea -= QRegion(label);
    painter.setClipRegion(frameArea);
    const QRect frame(0, top, width() - 2, height() - top - 2);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(frame);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(frame.translated(1, 1));
    painter.setClipping(false);

    if (!text.isEmpty())
        style()->drawItemText(&painter, label.adjusted(kTitlePadding, 0, -kTitlePadding, 0),
            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, palette(), isEnabled(), text,
            QPalette::WindowText);
}

} // namespace ondrevo
