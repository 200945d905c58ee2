// The twenty images and the picture are drawn from the resources, each one its own.

#include "app/qt/ImageList.h"

#include <QImage>
#include <QSet>

#include <gtest/gtest.h>

namespace ondrevo::testing {
namespace {

int OpaquePixels(const QImage& image)
{
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            opaque += qAlpha(image.pixel(x, y)) > 128;
    return opaque;
}

TEST(ImageListDrawings, TwentyDistinctDrawnImagesOfSixteenPixels)
{
    ImageList images;
    ASSERT_EQ(images.Count(), 20);
    QSet<QByteArray> seen;
    for (int index = 0; index < images.Count(); ++index) {
        const QImage image = images.Icon(index).pixmap(16).toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(image.size(), QSize(16, 16)) << index;
        // The small dot is the smallest drawing; everything else fills much of its square.
        EXPECT_GE(OpaquePixels(image), 20) << index;
        seen.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
    }
    EXPECT_EQ(seen.size(), 20);
    EXPECT_TRUE(images.Icon(20).isNull());
    EXPECT_TRUE(images.Icon(-1).isNull());
    // Larger sizes for the window and tray icons, which offer all of them.
    EXPECT_EQ(images.Icon(15).pixmap(32).size(), QSize(32, 32));
    EXPECT_EQ(images.Icon(15).availableSizes().size(), 5);
    // Not square: the drawing keeps its shape.
    EXPECT_EQ(images.Icon(15).actualSize(QSize(46, 36)), QSize(36, 36));
}

TEST(ImageListDrawings, ADisabledButtonShowsTheStylesDisabledFormOfItsImage)
{
    ImageList images;
    const QImage normal = images.Icon(0).pixmap(16).toImage();
    const QImage disabled = images.Icon(0).pixmap(QSize(16, 16), QIcon::Disabled).toImage();
    EXPECT_EQ(disabled.size(), QSize(16, 16));
    EXPECT_NE(normal.convertToFormat(QImage::Format_ARGB32), disabled.convertToFormat(QImage::Format_ARGB32));
    // Asking again gives the same drawing.
    EXPECT_EQ(images.Icon(0).pixmap(16).toImage(), normal);
}

TEST(ImageListDrawings, ThePictureFillsItsWholeArea)
{
    const QImage picture = ImageList::Picture().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(picture.size(), QSize(245, 172));
    EXPECT_EQ(OpaquePixels(picture), 245 * 172);
}

} // namespace
} // namespace ondrevo::testing
