// Writes the program's icon files below a folder, laid out as in the hicolor
// icon theme: the logo as a scalable SVG and as PNG pictures of the sizes
// desktops ask for. The build runs it; the installation copies the result.

#include "ui/ProgramLogo.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <cstdio>

namespace {

constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
const QString kIconName = QStringLiteral("de.kavrel.Lintrova");

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size() && file.commit();
}

bool writePng(const QString &path, int size)
{
    return QDir().mkpath(QFileInfo(path).path()) && ProgramLogoImage(size).save(path, "PNG");
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: lintrova_icons FOLDER\n");
        return 2;
    }
    const QString folder = QFile::decodeName(argv[1]) + QStringLiteral("/hicolor/");
    const QString svg = folder + QStringLiteral("scalable/apps/") + kIconName + ".svg";
    if (!writeFile(svg, ProgramLogoSvg())) {
        std::fprintf(stderr, "lintrova_icons: cannot write %s\n", qPrintable(svg));
        return 1;
    }
    for (const int size : kSizes) {
        const QString png = folder + QStringLiteral("%1x%1/apps/").arg(size) + kIconName + ".png";
        if (!writePng(png, size)) {
            std::fprintf(stderr, "lintrova_icons: cannot write %s\n", qPrintable(png));
            return 1;
        }
    }
    return 0;
}
