#include "app/qt/SvgIconEngine.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

#include <algorithm>

namespace ondrevo {

SvgIconEngine::SvgIconEngine(QString path, std::vector<int> sizes)
    : path_(std::move(path))
    , sizes_(std::move(sizes))
{
}

QPixmap SvgIconEngine::Drawn(const QSize& size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(path_);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), size));
    painter.end();
    return QPixmap::fromImage(image);
}

QPixmap SvgIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State)
{
    if (size.isEmpty())
        return QPixmap();
    const auto key = std::make_tuple(size.width(), size.height(), static_cast<int>(mode));
    if (auto found = drawn_.find(key); found != drawn_.end())
        return found->second;
    QPixmap pixmap;
    if (mode == QIcon::Normal || mode == QIcon::Active) {
        pixmap = Drawn(size);
    } else {
        const QPixmap normal = this->pixmap(size, QIcon::Normal, QIcon::Off);
        QStyleOption option(0);
        option.palette = QApplication::palette();
        pixmap = QApplication::style() ? QApplication::style()->generatedIconPixmap(mode, normal, &option) : normal;
    }
    drawn_.emplace(key, pixmap);
    return pixmap;
}

void SvgIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state)
{
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QPixmap drawn = pixmap(rect.size() * ratio, mode, state);
    drawn.setDevicePixelRatio(ratio);
    painter->drawPixmap(rect, drawn);
}

QSize SvgIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State)
{
    // The drawings are square.
    const int side = std::min(size.width(), size.height());
    return QSize(side, side);
}

QList<QSize> SvgIconEngine::availableSizes(QIcon::Mode, QIcon::State)
{
    QList<QSize> sizes;
    for (int side : sizes_)
        sizes.append(QSize(side, side));
    return sizes;
}

QIconEngine* SvgIconEngine::clone() const
{
    return new SvgIconEngine(*this);
}

} // namespace ondrevo
