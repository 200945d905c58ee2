#include "app/qt/ImageList.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

// The resources live in a static library; this pulls them into the program.
static void InitOndrevoResources()
{
    Q_INIT_RESOURCE(ondrevo);
}

namespace ondrevo {
namespace {

const char* const kImageNames[ImageList::kCount] = {
    "00-film-add",
    "01-film-delete",
    "02-film-clear",
    "03-convert",
    "04-quit",
    "05-television",
    "06-dollar",
    "07-help",
    "08-antenna",
    "09-loudspeaker",
    "10-dot",
    "11-film-saved",
    "12-stop",
    "13-gear",
    "14-folder-search",
    "15-film",
    "16-console",
    "17-window-search",
    "18-film-failed",
};

QPixmap Render(QSvgRenderer& renderer, int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, width, height));
    painter.end();
    return QPixmap::fromImage(image);
}

} // namespace

ImageList::ImageList()
{
    InitOndrevoResources();
    for (int index = 0; index < kCount; ++index) {
        QSvgRenderer renderer(ResourcePath(index));
        QIcon icon;
        // 16 for lists and buttons; larger sizes for the window and tray icons.
        for (int size : { kSize, 22, 24, 32, 48 })
            icon.addPixmap(Render(renderer, size, size));
        icons_.push_back(icon);
    }
}

QIcon ImageList::Icon(int index) const
{
    if (index < 0 || index >= Count())
        return QIcon();
    return icons_[static_cast<std::size_t>(index)];
}

QString ImageList::ResourcePath(int index)
{
    return QStringLiteral(":/images/%1.svg").arg(QLatin1String(kImageNames[index]));
}

QPixmap ImageList::Picture()
{
    InitOndrevoResources();
    QSvgRenderer renderer(QStringLiteral(":/images/picture.svg"));
    return Render(renderer, kPictureWidth, kPictureHeight);
}

} // namespace ondrevo
