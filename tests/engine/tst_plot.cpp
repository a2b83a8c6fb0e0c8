#include "engine/PlotCsv.h"
#include "engine/PlotNumbers.h"
#include "engine/PlotSeries.h"

#include <QDateTime>
#include <QTest>

namespace {

// What the plot keeps of a line, as its CSV file has it: each line of the
// file, its time (the epoch) as "t", joined by " | ".
QString plotted(const QByteArray &line)
{
    PlotSeries series;
    series.append(PlotNumbers::read(line), 0);
    QString csv = QString::fromUtf8(PlotCsv::text(series));
    csv.replace(QStringLiteral("1970-01-01T00:00:00.000Z"), QStringLiteral("t"));
    csv.chop(2);
    return csv.replace(QStringLiteral("\r\n"), QStringLiteral(" | "));
}

QString columnsText(const QList<PlotSeries::Column> &columns)
{
    QStringList parts;
    for (const PlotSeries::Column &c : columns)
        parts << QStringLiteral("%1:%2/%3/%4/%5")
                     .arg(c.x)
                     .arg(c.first)
                     .arg(c.last)
                     .arg(c.min)
                     .arg(c.max);
    return parts.join(u' ');
}

void addPoint(PlotSeries &series, qint64 msecs, double value)
{
    series.append({{{QString(), 1, value}}}, msecs);
}

} // namespace

class tst_Plot : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void numbersOfALine_data();
    void numbersOfALine();
    void ringKeepsTheNewest();
    void columns_data();
    void columns();
};

void tst_Plot::numbersOfALine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("kept");
    QTest::newRow("separators") << QByteArray("1,2;3 4\t5,, 6")
                                << "time,1,2,3,4,5,6 | t,1,2,3,4,5,6";
    QTest::newRow("decimals and exponents")
        << QByteArray("0.5 .25 3. 1e3 2.5E-2 12345678901")
        << "time,1,2,3,4,5,6 | t,0.5,0.25,3,1000,0.025,12345678901";
    QTest::newRow("signs") << QByteArray("+1 -2 +0.5 -.5 -4e+1 - +")
                           << "time,1,2,3,4,5 | t,1,-2,0.5,-0.5,-40";
    QTest::newRow("name:value beside plain numbers")
        << QByteArray("12 temp:21.5 hum=40 13") << "time,1,temp,hum,2 | t,12,21.5,40,13";
    QTest::newRow("blanks around the mark")
        << QByteArray("temp: 21.5, hum =\t40") << "time,temp,hum | t,21.5,40";
    QTest::newRow("names of letters, digits, _ and -, up to 32")
        << QByteArray("a_B-9:1 \xE4:2 ") + QByteArray(32, 'n') + ":3 " + QByteArray(33, 'm') + ":4"
        << "time,a_B-9,ä," + QString(32, u'n') + " | t,1,2,3";
    QTest::newRow("a name twice keeps its last value")
        << QByteArray("a:1 a:2 3") << "time,a,1 | t,2,3";
    QTest::newRow("garbage between numbers")
        << QByteArray("12 abc 21.5C 0x1F 12:30:00 1e 1e400 temp:x 1.2.3 -- 13")
        << "time,1,2 | t,12,13";
    QTest::newRow("a decimal comma is not read") << QByteArray("21,5") << "time,1,2 | t,21,5";
    QTest::newRow("more than 8 values")
        << QByteArray("1 2 3 4 5 6 7 8 9 10") << "time,1,2,3,4,5,6,7,8 | t,1,2,3,4,5,6,7,8";
    QTest::newRow("more than 8 series across records")
        << QByteArray("a:1 b:2\n1 2 3 4 5 6 7 x:3")
        << "time,a,b,1,2,3,4,5,6 | t,1,2,,,,,, | t,,,1,2,3,4,5,6";
    QTest::newRow("CR or LF within a line")
        << QByteArray("\n1 2\r3\n\n4\r\n5") << "time,1,2 | t,1,2 | t,3, | t,4, | t,5,";
    QTest::newRow("records without numbers are no rows")
        << QByteArray("OK\n7\nready") << "time,1 | t,7";
    QTest::newRow("nothing to read") << QByteArray("no numbers here") << "time";
}

// The whole path from a line to the file: reader, series and CSV.
void tst_Plot::numbersOfALine()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, kept);
    QCOMPARE(plotted(line), kept);
}

// A series holds its newest 100,000 points; the file has the time of each
// record's line and the values that are left.
void tst_Plot::ringKeepsTheNewest()
{
    const qint64 start =
        QDateTime::fromString("2026-12-07T09:05:03.007Z", Qt::ISODateWithMs).toMSecsSinceEpoch();
    PlotSeries series;
    for (int i = 0; i < PlotSeries::kMaxPoints + 3; ++i)
        series.append(
            PlotNumbers::read(i % 2 ? QByteArray::number(i) : "x:1 " + QByteArray::number(i)),
            start + i);
    QCOMPARE(series.size(0), PlotSeries::kMaxPoints / 2 + 2);
    QCOMPARE(series.size(1), PlotSeries::kMaxPoints);
    QCOMPARE(series.oldestMsecs(), std::optional<qint64>(start));
    QCOMPARE(series.newestMsecs(), std::optional<qint64>(start + PlotSeries::kMaxPoints + 2));
    const QByteArrayList lines = PlotCsv::text(series).split('\n');
    QCOMPARE(lines.size(), PlotSeries::kMaxPoints + 4); // the head, one row each, the end
    QCOMPARE(lines.mid(0, 4),
             QByteArrayList({"time,x,1\r", "2026-12-07T09:05:03.007Z,1,\r",
                             "2026-12-07T09:05:03.009Z,1,\r", "2026-12-07T09:05:03.010Z,,3\r"}));
    QCOMPARE(lines.at(lines.size() - 2), "2026-12-07T09:06:43.009Z,1,100002\r");
}

void tst_Plot::columns_data()
{
    QTest::addColumn<QList<QPointF>>("points"); // milliseconds and value
    QTest::addColumn<qint64>("from");
    QTest::addColumn<qint64>("to");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("columns"); // x:first/last/min/max
    QTest::newRow("one point per column") << QList<QPointF>{{0, 1}, {10, 2}, {20, 3}} << qint64(0)
                                          << qint64(29) << 3 << "0:1/1/1/1 1:2/2/2/2 2:3/3/3/3";
    QTest::newRow("several in a column: first, last, lowest, highest")
        << QList<QPointF>{{0, 5}, {1, 9}, {2, 1}, {3, 4}, {10, 7}} << qint64(0) << qint64(19) << 2
        << "0:5/4/1/9 1:7/7/7/7";
    QTest::newRow("outside the window left out")
        << QList<QPointF>{{0, 1}, {5, 2}, {10, 3}, {11, 4}} << qint64(5) << qint64(10) << 2
        << "0:2/2/2/2 1:3/3/3/3";
    QTest::newRow("the clock set back before the window")
        << QList<QPointF>{{0, 1}, {10, 2}, {20, 3}, {5, 4}, {30, 5}} << qint64(8) << qint64(30) << 2
        << "0:2/2/2/2 1:3/5/3/5";
    QTest::newRow("one column sums all up")
        << QList<QPointF>{{0, 3}, {1, 1}, {2, 2}} << qint64(0) << qint64(2) << 1 << "0:3/2/1/3";
    QTest::newRow("no room, no columns")
        << QList<QPointF>{{0, 3}} << qint64(0) << qint64(2) << 0 << "";
}

void tst_Plot::columns()
{
    QFETCH(QList<QPointF>, points);
    QFETCH(qint64, from);
    QFETCH(qint64, to);
    QFETCH(int, width);
    QFETCH(QString, columns);
    PlotSeries series;
    for (const QPointF &p : points)
        addPoint(series, qint64(p.x()), p.y());
    QCOMPARE(columnsText(series.columns(0, from, to, width)), columns);
}

QTEST_GUILESS_MAIN(tst_Plot)
#include "tst_plot.moc"
