#pragma once
// An icon made of pixel files drawn at build time, one per size, read the first time the
// icon is shown at a size: a window that shows a few images at 16 pixels does not read
// every image at every size when it starts. A size without a file of its own is scaled
// from the nearest larger one. Other modes than Normal (disabled, selected) come from
// the style, as for icons made of pixmaps. UI thread.

#include <QIconEngine>
#include <QImage>
#include <QString>

#include <map>
#include <tuple>
#include <vector>

namespace ondrevo {

// The image of a resource file of bare pixels (resources/tools/RenderArtwork.cpp writes
// them) that is `size` large; a null image when the file is missing or of another size.
QImage ReadArtworkPixels(const QString& path, const QSize& size);

class DrawnIconEngine : public QIconEngine {
public:
    // `pathPattern` holds %1 for the size ("...-%1.argb"); `sizes` are the square sizes
    // drawn, in increasing order.
    DrawnIconEngine(QString pathPattern, std::vector<int> sizes);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override { return QStringLiteral("ondrevo-drawn"); }
    bool isNull() override { return sizes_.empty(); }

private:
    QPixmap Read(const QSize& size) const;

    QString pathPattern_;
    std::vector<int> sizes_;
    // Pixmaps by width, height and mode, as shown.
    std::map<std::tuple<int, int, int>, QPixmap> shown_;
};

} // namespace ondrevo
