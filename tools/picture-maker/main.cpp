// Draws the program's pictures and writes them as JPEG files. The JPEGs are
// kept in the source tree next to the windows that show them; run this to
// make them again:  picture-maker <name> <file.jpg>   (no name: the list)
// The desktop icon, the program's mark on a transparent square, as PNG
// (packaging/icons/):  picture-maker icon <size> <file.png>
#include "Drawings.h"
#include "ProgramMark.h"

#include <QGuiApplication>
#include <QPainter>
#include <cstdio>

namespace {

QImage Icon(int Size)
{
    QImage image(Size, Size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    // The box as wide as the square, a little less high than wide.
    const double m = Size / 32.0;
    const double h = Size * 0.72;
    ostan::DrawProgramMark(p, QRectF(m, (Size - h) / 2, Size - 2 * m, h));
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "icon") == 0) {
        const int size = QByteArray(argv[2]).toInt();
        if (size < 16 || size > 1024 || !Icon(size).save(QString::fromLocal8Bit(argv[3]), "PNG")) {
            std::fprintf(stderr, "picture-maker: cannot write a %s-pixel icon to %s\n", argv[2], argv[3]);
            return 1;
        }
        return 0;
    }
    if (argc != 3) {
        for (const auto& d : picturemaker::Drawings())
            std::printf("%s\n", d.Name);
        return argc == 1 ? 0 : 2;
    }
    for (const auto& d : picturemaker::Drawings()) {
        if (qstrcmp(d.Name, argv[1]) == 0) {
            QString error;
            if (!picturemaker::WriteJpeg(d.Draw(), QString::fromLocal8Bit(argv[2]), &error)) {
                std::fprintf(stderr, "picture-maker: %s\n", qPrintable(error));
                return 1;
            }
            return 0;
        }
    }
    std::fprintf(stderr, "picture-maker: no drawing named %s\n", argv[1]);
    return 2;
}
