#include "app/qt/DrawnIconEngine.h"

#include <QApplication>
#include <QPainter>
#include <QResource>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace ondrevo {

QImage ReadArtworkPixels(const QString& path, const QSize& size)
{
    const QResource resource(path);
    const qsizetype rowBytes = qsizetype(size.width()) * 4;
    if (size.isEmpty() || resource.uncompressedSize() != rowBytes * size.height())
        return QImage();
    // Stored uncompressed and aligned for 32-bit pixels, the image is the executable's
    // own pages, read-only: nothing is copied, and a pixmap made of it shares them.
    const uchar* pixels = resource.data();
    if (resource.compressionAlgorithm() == QResource::NoCompression
        && reinterpret_cast<std::uintptr_t>(pixels) % alignof(quint32) == 0)
        return QImage(pixels, size.width(), size.height(), rowBytes, QImage::Format_ARGB32_Premultiplied);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    QByteArray decompressed;
    if (resource.compressionAlgorithm() != QResource::NoCompression) {
        decompressed = resource.uncompressedData();
        pixels = reinterpret_cast<const uchar*>(decompressed.constData());
    }
    for (int y = 0; y < size.height(); ++y)
        std::memcpy(image.scanLine(y), pixels + y * rowBytes, static_cast<std::size_t>(rowBytes));
    return image;
}

DrawnIconEngine::DrawnIconEngine(QString pathPattern, std::vector<int> sizes)
    : pathPattern_(std::move(pathPattern))
    , sizes_(std::move(sizes))
{
}

QPixmap DrawnIconEngine::Read(const QSize& size) const
{
    const int wanted = std::max(size.width(), size.height());
    const auto larger = std::lower_bound(sizes_.begin(), sizes_.end(), wanted);
    const int drawn = larger != sizes_.end() ? *larger : sizes_.back();
    QImage image = ReadArtworkPixels(pathPattern_.arg(drawn), QSize(drawn, drawn));
    if (!image.isNull() && image.size() != size)
        image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return QPixmap::fromImage(std::move(image));
}

QPixmap DrawnIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State)
{
    if (size.isEmpty() || sizes_.empty())
        return QPixmap();
    const auto key = std::make_tuple(size.width(), size.height(), static_cast<int>(mode));
    if (auto found = shown_.find(key); found != shown_.end())
        return found->second;
    QPixmap pixmap;
    if (mode == QIcon::Normal || mode == QIcon::Active) {
        pixmap = Read(size);
    } else {
        const QPixmap normal = this->pixmap(size, QIcon::Normal, QIcon::Off);
        QStyleOption option(0);
        option.palette = QApplication::palette();
        QStyle* style = QApplication::style();
        pixmap = style ? style->generatedIconPixmap(mode, normal, &option) : normal;
    }
    shown_.emplace(key, pixmap);
    return pixmap;
}

void DrawnIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state)
{
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QPixmap shown = pixmap(rect.size() * ratio, mode, state);
    shown.setDevicePixelRatio(ratio);
    painter->drawPixmap(rect, shown);
}

QSize DrawnIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State)
{
    // The drawings are square.
    const int side = std::min(size.width(), size.height());
    return QSize(side, side);
}

QList<QSize> DrawnIconEngine::availableSizes(QIcon::Mode, QIcon::State)
{
    QList<QSize> sizes;
    for (int side : sizes_)
        sizes.append(QSize(side, side));
    return sizes;
}

QIconEngine* DrawnIconEngine::clone() const
{
    return new DrawnIconEngine(*this);
}

} // namespace ondrevo
