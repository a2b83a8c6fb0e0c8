#include "ui/ProgramLogo.h"

#include <QPainter>
#include <QPolygonF>
#include <QTest>
#include <QXmlStreamReader>

namespace {

const QColor kFrame(0x1f, 0x4e, 0x79);
const QColor kWave(0x8f, 0xd3, 0xff);

bool near(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) <= 8 && qAbs(a.green() - b.green()) <= 8 &&
           qAbs(a.blue() - b.blue()) <= 8 && qAbs(a.alpha() - b.alpha()) <= 8;
}

QPolygonF pointsOf(const QString &text, double scale)
{
    QPolygonF polygon;
    for (const QString &pair : text.split(' ', Qt::SkipEmptyParts)) {
        const QStringList xy = pair.split(',');
        polygon.append(QPointF(xy.value(0).toDouble(), xy.value(1).toDouble()) * scale);
    }
    return polygon;
}

// Paints what an SVG viewer would show of the three shapes the logo is
// made of, from the document alone, scaled to size pixels.
QImage paintSvg(const QByteArray &svg, int size, QString *problem)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QXmlStreamReader xml(svg);
    int shapes = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        const auto value = [&a](const char *name) { return a.value(name).toString(); };
        const double scale = size / 96.0;
        const auto number = [&](const char *name) { return a.value(name).toDouble() * scale; };
        if (xml.name() == u"svg") {
            if (value("viewBox") != "0 0 96 96" ||
                xml.namespaceUri() != u"http://www.w3.org/2000/svg")
                *problem = "not an SVG document of 96 units";
        } else if (xml.name() == u"rect") {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(value("fill")));
            painter.drawRoundedRect(QRectF(number("x"), number("y"), number("width"),
                                           number("height")),
                                    number("rx"), number("ry"));
            ++shapes;
        } else if (xml.name() == u"polyline") {
            if (value("fill") != "none" || value("stroke-linecap") != "round" ||
                value("stroke-linejoin") != "round")
                *problem = "the wave is no round-ended open line";
            painter.setPen(QPen(QColor(value("stroke")), number("stroke-width"), Qt::SolidLine,
                                Qt::RoundCap, Qt::RoundJoin));
            painter.setBrush(Qt::NoBrush);
            painter.drawPolyline(pointsOf(value("points"), scale));
            ++shapes;
        } else if (xml.name() == u"polygon") {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(value("fill")));
            painter.drawPolygon(pointsOf(value("points"), scale));
            ++shapes;
        }
    }
    if (xml.hasError())
        *problem = xml.errorString();
    else if (shapes != 3)
        *problem = QString::number(shapes) + " shapes";
    return image;
}

} // namespace

class tst_ProgramLogo : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void drawing_data();
    void drawing();
    void svgShowsTheDrawing_data();
    void svgShowsTheDrawing();
    void pixmapAndIcon();
};

// Points in fractions of the size, away from the edges of the shapes.
void tst_ProgramLogo::drawing_data()
{
    QTest::addColumn<int>("size");
    for (const int size : {16, 22, 24, 32, 48, 64, 96, 128, 256})
        QTest::addRow("%d pixels", size) << size;
}

void tst_ProgramLogo::drawing()
{
    QFETCH(int, size);
    const QImage logo = ProgramLogoImage(size);
    QCOMPARE(logo.size(), QSize(size, size));
    const auto at = [&](double x, double y) { return logo.pixelColor(int(x * size), int(y * size)); };
    QVERIFY(at(0, 0).alpha() < 8); // the corners are rounded off
    QVERIFY(at(0.999, 0.999).alpha() < 8);
    QVERIFY2(near(at(0.2, 0.7), kFrame), qPrintable(at(0.2, 0.7).name(QColor::HexArgb)));
    QVERIFY2(near(at(0.5, 0.1), kFrame), "above the wave");
    QVERIFY2(near(at(0.55, 0.68), kFrame), "right of the stem, above the foot");
    if (size >= 32) { // at smaller sizes the letter's strokes are blended with the frame
        QVERIFY2(near(at(0.445, 0.68), Qt::white), "the letter's stem");
        QVERIFY2(near(at(0.55, 0.835), Qt::white), "the letter's foot");
    }
    if (size >= 64) { // and so are the wave's lines up to here
        QVERIFY2(near(at(0.17, 0.28), kWave), "idle line, high");
        QVERIFY2(near(at(0.25, 0.44), kWave), "start bit, low");
    }
}

void tst_ProgramLogo::svgShowsTheDrawing_data()
{
    drawing_data();
}

void tst_ProgramLogo::svgShowsTheDrawing()
{
    QFETCH(int, size);
    QString problem;
    const QImage fromSvg = paintSvg(ProgramLogoSvg(), size, &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    const QImage drawn = ProgramLogoImage(size);
    int differing = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x)
            differing += !near(fromSvg.pixelColor(x, y), drawn.pixelColor(x, y));
    }
    QCOMPARE(differing, 0);
}

void tst_ProgramLogo::pixmapAndIcon()
{
    QCOMPARE(ProgramLogo().size(), QSize(96, 96));
    QCOMPARE(ProgramLogo(48).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
             ProgramLogoImage(48));
    // The installed theme icon, or else the drawn logo at the sizes desktops ask for.
    const QIcon icon = ProgramIcon();
    if (QIcon::hasThemeIcon("de.kavrel.Lintrova"))
        QCOMPARE(icon.name(), QString("de.kavrel.Lintrova"));
    else
        QCOMPARE(icon.pixmap(16).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 ProgramLogoImage(16));
}

QTEST_MAIN(tst_ProgramLogo)
#include "tst_programlogo.moc"
