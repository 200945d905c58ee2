#include "app/qt/ImageList.h"

#include "app/qt/DrawnIconEngine.h"

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
    "19-pause",
};

} // namespace

ImageList::ImageList()
{
    // Each image is read at a size when first shown at it: 16 for lists and buttons, the
    // larger sizes for the window and tray icons (resources/Artwork.cmake draws them).
    for (int index = 0; index < kCount; ++index)
        icons_.push_back(QIcon(new DrawnIconEngine(
            QStringLiteral(":/images/%1-%2.argb").arg(QLatin1String(kImageNames[index]), QStringLiteral("%1")),
            { kSize, 22, 24, 32, 48 })));
}

QIcon ImageList::Icon(int index) const
{
    if (index < 0 || index >= Count())
        return QIcon();
    return icons_[static_cast<std::size_t>(index)];
}

QString ImageList::ResourcePath(int index, int size)
{
    return QStringLiteral(":/images/%1-%2.argb").arg(QLatin1String(kImageNames[index])).arg(size);
}

QPixmap ImageList::Picture()
{
    // Drawn from resources/images/picture.svg at build time.
    return QPixmap::fromImage(
        ReadArtworkPixels(QStringLiteral(":/images/picture.argb"), QSize(kPictureWidth, kPictureHeight)));
}

} // namespace ondrevo
