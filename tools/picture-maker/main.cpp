// Draws the program's pictures and writes them as JPEG files. The JPEGs are
// kept in the source tree next to the windows that show them; run this to
// make them again:  picture-maker <name> <file.jpg>   (no name: the list)
#include "Drawings.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
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
