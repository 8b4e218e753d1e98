// Writes the application icon into a hicolor icon-theme tree at the usual sizes:
// icon-export DIR  →  DIR/NxN/apps/kelvra.png. Run by the build, so the installed icon
// is always the drawing the program itself uses.
#include <QDir>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>

#include "backends/qt/views/IconPainter.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        if (!QDir().mkpath(dir) ||
            !kelvra::views::applicationIcon(size).save(dir + QStringLiteral("/kelvra.png"))) {
            std::fprintf(stderr, "cannot write the icon into %s\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
