#include "app/FolderLevels.h"

QStringList fkt_FileFolderLevels(const QString &Path, QChar separator, bool driveAndNetworkForms)
{
    QStringList levels;
    QString built;
    qsizetype pos = 0;
    const qsizetype size = Path.size();
    while (pos < size) {
        const QStringView rest = QStringView(Path).sliced(pos);
        qsizetype take = 0;
        if (driveAndNetworkForms && rest.size() >= 2 && rest[0] == separator &&
            rest[1] == separator)
            take = 2;
        else if (rest[0] == separator)
            take = 1;
        else if (driveAndNetworkForms && rest.size() >= 3 && rest[1] == QLatin1Char(':') &&
                 rest[2] == separator)
            take = 3;
        // Then the name up to the next separator; every round moves at least
        // one character, so the loop ends.
        while (take < rest.size() && rest[take] != separator)
            ++take;
        built += rest.first(take);
        pos += take;
        levels.append(built);
    }
    return levels;
}
