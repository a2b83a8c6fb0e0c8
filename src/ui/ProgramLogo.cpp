#include "ui/ProgramLogo.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

// A rounded square with a stylised waveform of a serial line (a start bit,
// data bits, a stop bit) over the letter L.
QPixmap ProgramLogo(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF frame(1, 1, size - 2, size - 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1f, 0x4e, 0x79));
    painter.drawRoundedRect(frame, size * 0.16, size * 0.16);

    const double unit = size / 12.0;
    const double high = size * 0.28;
    const double low = size * 0.44;
    // Line idle high, start bit low, then 1 0 1 1 0, stop bit high.
    const int levels[] = {1, 0, 1, 0, 1, 1, 0, 1, 1};
    QPainterPath wave;
    wave.moveTo(unit * 1.5, high);
    double x = unit * 1.5;
    double y = high;
    for (const int level : levels) {
        const double next = level ? high : low;
        if (next != y)
            wave.lineTo(x, next);
        y = next;
        x += unit;
        wave.lineTo(x, y);
    }
    painter.setPen(QPen(QColor(0x8f, 0xd3, 0xff), size / 32.0, Qt::SolidLine, Qt::RoundCap,
                        Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(wave);

    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(qMax(1, size * 4 / 10));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(0, size * 0.5, size, size * 0.45), Qt::AlignCenter,
                     QStringLiteral("L"));
    return pixmap;
}
