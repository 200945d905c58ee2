#pragma once
// An icon drawn from an SVG file at the size it is asked for, the first time it is
// asked for it: a window that shows a few images at 16 pixels does not pay for drawing
// every image at every size when it starts. Other modes than Normal (disabled,
// selected) come from the style, as for icons made of pixmaps. UI thread.

#include <QIconEngine>
#include <QString>

#include <map>
#include <tuple>
#include <vector>

class QSvgRenderer;

namespace ondrevo {

class SvgIconEngine : public QIconEngine {
public:
    // `sizes` are the square sizes the icon offers (the window manager's icon takes all).
    SvgIconEngine(QString path, std::vector<int> sizes);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override { return QStringLiteral("ondrevo-svg"); }
    bool isNull() override { return false; }

private:
    QPixmap Drawn(const QSize& size);

    QString path_;
    std::vector<int> sizes_;
    // Drawn pixmaps by width, height and mode.
    std::map<std::tuple<int, int, int>, QPixmap> drawn_;
};

} // namespace ondrevo
