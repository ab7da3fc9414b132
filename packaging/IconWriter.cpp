// lumetta-icons: writes the application icon as PNG files into a hicolor icon theme folder.
//   lumetta-icons OUT_DIR ICON_NAME SIZE...
// gives OUT_DIR/<size>x<size>/apps/ICON_NAME.png for every size.
#include "ui/Artwork.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: lumetta-icons OUT_DIR ICON_NAME SIZE...\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        if (!ok || size < 16 || size > 1024) {
            std::fprintf(stderr, "lumetta-icons: \"%s\" is not an icon size\n", argv[i]);
            return 2;
        }
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(out).arg(size);
        const QString file = folder + QLatin1Char('/') + name + QStringLiteral(".png");
        if (!QDir().mkpath(folder) || !lumetta::ui::AppIconImage(size).save(file, "PNG")) {
            std::fprintf(stderr, "lumetta-icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
