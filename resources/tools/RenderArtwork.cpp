// Draws SVG artwork into PNG files at build time: the decorative picture that the
// window shows at start (its text would otherwise load two more fonts at every start)
// and the desktop menu's icons.
//
//   render_artwork SVG PNG WIDTH HEIGHT [PNG WIDTH HEIGHT]...

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 5 || (argc - 2) % 3 != 0) {
        std::fprintf(stderr, "usage: %s SVG PNG WIDTH HEIGHT [PNG WIDTH HEIGHT]...\n", argv[0]);
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
        if (!image.save(QString::fromLocal8Bit(argv[i]), "PNG")) {
            std::fprintf(stderr, "%s: cannot write\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
