#include "ui/ControlPictures.h"

QString withControlPictures(const QString &line)
{
    QString shown = line;
    for (QChar &c : shown) {
        const char16_t u = c.unicode();
        if (u < 0x20)
            c = QChar(char16_t(0x2400 + u));
        else if (u == 0x7F)
            c = QChar(char16_t(0x2421));
        else if (u >= 0x80 && u < 0xA0)
            c = QChar(char16_t(0xFFFD)); // the C1 controls the codec keeps
    }
    return shown;
}
