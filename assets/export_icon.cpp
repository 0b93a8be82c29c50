// Writes the program's icon, drawn in code, as PNG files for the desktop's
// icon theme: export_icon FOLDER SIZE... gives FOLDER/SIZExSIZE/apps/framory.png.
#include "qt/forms/artwork.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: framory_export_icon FOLDER SIZE...\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const QString apps = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        if (size <= 0 || !QDir().mkpath(apps) ||
            !framory::qt::ProductIcon(size).save(apps + QStringLiteral("/framory.png"), "PNG")) {
            std::fprintf(stderr, "framory_export_icon: cannot write the %s pixel icon\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
