// Renders the program's SVG icon into square PNG files for the hicolor icon theme:
//   sonivar-rendericon ICON.svg SIZE OUT.png [SIZE OUT.png ...]
#include <cstdio>
#include <cstdlib>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

int main(int argc, char** argv)
{
    if (argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: %s ICON.svg SIZE OUT.png [SIZE OUT.png ...]\n", argv[0]);
        return 2;
    }
    // No window is shown; the offscreen platform needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 1;
    }
    for (int i = 2; i + 1 < argc; i += 2) {
        const int size = std::atoi(argv[i]);
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        if (size <= 0 || !image.save(QString::fromLocal8Bit(argv[i + 1]), "PNG")) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[i + 1]);
            return 1;
        }
    }
    return 0;
}
