#include "ui/ProgramLogo.h"

#include <QPainter>
#include <QPolygonF>
#include <QXmlStreamWriter>

namespace {

constexpr double kDesignSize = 96;
const QColor kFrameColour(0x1f, 0x4e, 0x79);
const QColor kWaveColour(0x8f, 0xd3, 0xff);
const QColor kLetterColour(Qt::white);

// The logo at one size, in pixels (or SVG units).
struct Shapes {
    QRectF frame;
    double cornerRadius = 0;
    QPolygonF wave; // an open line, drawn with round ends and joins
    double waveWidth = 0;
    QPolygonF letter;
};

// Line idle high, start bit low, then 1 0 1 1 0, stop bit high.
QPolygonF waveFor(double size)
{
    const double unit = size / 12.0;
    const double high = size * 0.28;
    const double low = size * 0.44;
    const int levels[] = {1, 0, 1, 0, 1, 1, 0, 1, 1};
    double x = unit * 1.5;
    double y = high;
    QPolygonF wave{{x, y}};
    for (const int level : levels) {
        const double next = level ? high : low;
        if (next != y)
            wave.append({x, next});
        y = next;
        x += unit;
        wave.append({x, y});
    }
    return wave;
}

// The outline of a bold sans-serif L in the lower half, in units of the
// 96-unit square. An outline rather than a font's glyph, so that the logo
// looks the same on every machine and in the SVG.
QPolygonF letterFor(double size)
{
    const double scale = size / kDesignSize;
    const QPointF corners[] = {{39.38, 55.05}, {46.52, 55.05}, {46.52, 77.34},
                               {59.07, 77.34}, {59.07, 82.75}, {39.38, 82.75}};
    QPolygonF letter;
    for (const QPointF &corner : corners)
        letter.append(corner * scale);
    return letter;
}

Shapes shapesFor(double size)
{
    // Every measure scales with the size, so each picture is the SVG scaled.
    const double inset = size / kDesignSize;
    Shapes shapes;
    shapes.frame = QRectF(inset, inset, size - 2 * inset, size - 2 * inset);
    shapes.cornerRadius = size * 0.16;
    shapes.wave = waveFor(size);
    shapes.waveWidth = size / 32.0;
    shapes.letter = letterFor(size);
    return shapes;
}

void paint(QPainter &painter, const Shapes &shapes)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kFrameColour);
    painter.drawRoundedRect(shapes.frame, shapes.cornerRadius, shapes.cornerRadius);

    painter.setPen(QPen(kWaveColour, shapes.waveWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(shapes.wave);

    painter.setPen(Qt::NoPen);
    painter.setBrush(kLetterColour);
    painter.drawPolygon(shapes.letter);
}

QString number(double value)
{
    return QString::number(value, 'g', 10);
}

QString points(const QPolygonF &polygon)
{
    QStringList pairs;
    for (const QPointF &point : polygon)
        pairs.append(number(point.x()) + QLatin1Char(',') + number(point.y()));
    return pairs.join(QLatin1Char(' '));
}

} // namespace

QPixmap ProgramLogo(int size)
{
    return QPixmap::fromImage(ProgramLogoImage(size));
}

QImage ProgramLogoImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paint(painter, shapesFor(size));
    return image;
}

QByteArray ProgramLogoSvg()
{
    const Shapes shapes = shapesFor(kDesignSize);
    QByteArray svg;
    QXmlStreamWriter xml(&svg);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("svg"));
    xml.writeDefaultNamespace(QStringLiteral("http://www.w3.org/2000/svg"));
    xml.writeAttribute(QStringLiteral("width"), number(kDesignSize));
    xml.writeAttribute(QStringLiteral("height"), number(kDesignSize));
    xml.writeAttribute(QStringLiteral("viewBox"),
                       QStringLiteral("0 0 %1 %1").arg(number(kDesignSize)));
    xml.writeTextElement(QStringLiteral("title"), QStringLiteral("Lintrova"));

    xml.writeEmptyElement(QStringLiteral("rect"));
    xml.writeAttribute(QStringLiteral("x"), number(shapes.frame.x()));
    xml.writeAttribute(QStringLiteral("y"), number(shapes.frame.y()));
    xml.writeAttribute(QStringLiteral("width"), number(shapes.frame.width()));
    xml.writeAttribute(QStringLiteral("height"), number(shapes.frame.height()));
    xml.writeAttribute(QStringLiteral("rx"), number(shapes.cornerRadius));
    xml.writeAttribute(QStringLiteral("ry"), number(shapes.cornerRadius));
    xml.writeAttribute(QStringLiteral("fill"), kFrameColour.name());

    xml.writeEmptyElement(QStringLiteral("polyline"));
    xml.writeAttribute(QStringLiteral("points"), points(shapes.wave));
    xml.writeAttribute(QStringLiteral("fill"), QStringLiteral("none"));
    xml.writeAttribute(QStringLiteral("stroke"), kWaveColour.name());
    xml.writeAttribute(QStringLiteral("stroke-width"), number(shapes.waveWidth));
    xml.writeAttribute(QStringLiteral("stroke-linecap"), QStringLiteral("round"));
    xml.writeAttribute(QStringLiteral("stroke-linejoin"), QStringLiteral("round"));

    xml.writeEmptyElement(QStringLiteral("polygon"));
    xml.writeAttribute(QStringLiteral("points"), points(shapes.letter));
    xml.writeAttribute(QStringLiteral("fill"), kLetterColour.name());

    xml.writeEndElement();
    xml.writeEndDocument();
    return svg;
}

QIcon ProgramIcon()
{
    const QString name = QStringLiteral("de.kavrel.Lintrova");
    if (QIcon::hasThemeIcon(name))
        return QIcon::fromTheme(name);
    QIcon drawn;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        drawn.addPixmap(ProgramLogo(size));
    return drawn;
}
