// Writes the window icon as PNG files for the desktop entry: <folder>/folionix-16.png and -32.png.
#include "window/frmMulti.h"

#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>

int main(int argc, char* argv[]) {
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fputs("usage: folionix_make_icons <folder>\n", stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (const int size : {16, 32}) {
        const QString path = folder + QStringLiteral("/folionix-%1.png").arg(size);
        if (!folionix::DrawFolionixIcon(size).save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", path.toLocal8Bit().constData());
            return 1;
        }
    }
    return 0;
}
