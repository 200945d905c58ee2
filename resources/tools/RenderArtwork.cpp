// Draws SVG artwork into image files at build time: the images and the decorative
// picture the window shows at start, and the desktop menu's icons. A file named *.png
// is a PNG file; one named *.argb holds the bare pixels, row after row, as the program
// keeps them (32-bit premultiplied ARGB in the machine's byte order), so the program
// takes them without decoding and without looking for image format plugins.
//
//   render_artwork SVG FILE WIDTH HEIGHT [FILE WIDTH HEIGHT]...

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 5 || (argc - 2) % 3 != 0) {
        std::fprintf(stderr, "usage: %s SVG FILE WIDTH HEIGHT [FILE WIDTH HEIGHT]...\n", argv[0]);
        return 2;
    }
    // Text needs the font database, which needs a platform; no display is used.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Build output stays quiet: only failures are reported.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", qPrintable(message));
    });
    QGuiApplication application(argc, argv);
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "%s: not a drawing\n", argv[1]);
        return 1;
    }
    for (int i = 2; i + 2 < argc; i += 3) {
        const int width = std::atoi(argv[i + 1]);
        const int height = std::atoi(argv[i + 2]);
        if (width <= 0 || height <= 0) {
            std::fprintf(stderr, "%s: bad size %s x %s\n", argv[i], argv[i + 1], argv[i + 2]);
            return 2;
        }
        QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        renderer.render(&painter, QRectF(0, 0, width, height));
        painter.end();
        const QString path = QString::fromLocal8Bit(argv[i]);
        bool written = false;
        if (path.endsWith(".argb")) {
            QFile file(path);
            written = file.open(QIODevice::WriteOnly);
            for (int y = 0; written && y < height; ++y)
                written = file.write(reinterpret_cast<const char*>(image.constScanLine(y)), width * 4) == width * 4;
            written = written && file.flush();
        } else {
            written = image.save(path, "PNG");
        }
        if (!written) {
            std::fprintf(stderr, "%s: cannot write\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
