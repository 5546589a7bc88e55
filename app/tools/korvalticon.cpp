// Writes the program's icon as PNG files for the desktop's icon theme:
//     korvalt-icon <folder>   ->  <folder>/<n>x<n>/apps/korvalt.png
#include "app/common/appicon.h"

#include <QDir>
#include <QString>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvalt-icon <folder>\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (int s : kv::kIconSizes) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(root).arg(s);
        if (!QDir().mkpath(dir) || !kv::KorvaltIconImage(s).save(dir + QStringLiteral("/korvalt.png"))) {
            std::fprintf(stderr, "korvalt-icon: cannot write %s\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
