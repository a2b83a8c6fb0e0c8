#include "ui/CommandFileDialog.h"
#include "ui/MainLayout.h"
#include "ui/PlotScale.h"

#include <QTest>

class tst_UiHelpers : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fileDialogFilter_data();
    void fileDialogFilter();
    void defaultExtension_data();
    void defaultExtension();
    void logTakesRoomOfHiddenOptions();
    void plotValueTicks_data();
    void plotValueTicks();
    void plotTimeStep_data();
    void plotTimeStep();
    void plotNumbers_data();
    void plotNumbers();
};

void tst_UiHelpers::fileDialogFilter_data()
{
    QTest::addColumn<QString>("resource");
    QTest::addColumn<QString>("filter");
    QTest::newRow("German") << QStringLiteral("Befehls-Konfigurationsdateien (*.icf)|*.icf")
                            << QStringLiteral("Befehls-Konfigurationsdateien (*.icf)");
    QTest::newRow("pattern not in text") << QStringLiteral("Files|*.icf")
                                         << QStringLiteral("Files (*.icf)");
}

void tst_UiHelpers::fileDialogFilter()
{
    QFETCH(QString, resource);
    QFETCH(QString, filter);
    QCOMPARE(CommandFileDialog::filterFromResource(resource), filter);
}

void tst_UiHelpers::defaultExtension_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("path");
    QTest::newRow("no extension") << "/data/mine" << "/data/mine.icf";
    QTest::newRow("has extension") << "/data/mine.icf" << "/data/mine.icf";
    QTest::newRow("other extension") << "/data/mine.txt" << "/data/mine.txt";
    QTest::newRow("dot in folder") << "/da.ta/mine" << "/da.ta/mine.icf";
    QTest::newRow("cancelled") << "" << "";
}

void tst_UiHelpers::defaultExtension()
{
    QFETCH(QString, typed);
    QFETCH(QString, path);
    QCOMPARE(CommandFileDialog::withDefaultExtension(typed), path);
}

void tst_UiHelpers::logTakesRoomOfHiddenOptions()
{
    const auto with = MainLayout::arrange(0, 0, true);
    const auto without = MainLayout::arrange(0, 0, false);
    QCOMPARE(with.lstSendReceive.height(), 5640);
    QCOMPARE(without.lstSendReceive.height(), 6180);
    QCOMPARE(with.cmdDelete.top(), with.chkRepeat.top()); // beside chkRepeat
    const auto larger = MainLayout::arrange(300, 450, false);
    QCOMPARE(larger.lstSendReceive, QRect(60, 930, 7215, 6630));
    QCOMPARE(larger.cmdQuit.topLeft(), QPoint(7380, 7620));
    QCOMPARE(larger.cmdInsertSpecialChar.left(), 4860);
    QCOMPARE(larger.txtWaitTime.left(), 2940); // the repetition controls keep their left
}

void tst_UiHelpers::plotValueTicks_data()
{
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<int>("most");
    QTest::addColumn<QString>("ticks"); // step: values
    QTest::newRow("steps of 2") << 0.0 << 10.0 << 6 << "2: 0 2 4 6 8 10";
    QTest::newRow("steps of 1, ends between ticks") << 19.9 << 23.2 << 5 << "1: 20 21 22 23";
    QTest::newRow("below zero") << -0.35 << 0.12 << 5 << "0.2: -0.2 0";
    QTest::newRow("at most one tick still steps") << 0.0 << 7.0 << 1 << "10: 0";
    QTest::newRow("a flat range has none") << 5.0 << 5.0 << 4 << "1: ";
    QTest::newRow("an endless range has none") << 0.0 << qInf() << 4 << "1: ";
}

void tst_UiHelpers::plotValueTicks()
{
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(int, most);
    QFETCH(QString, ticks);
    const PlotScale::Ticks got = PlotScale::valueTicks(low, high, most);
    QStringList values;
    for (const double v : got.values)
        values << QString::number(v);
    QCOMPARE(QString::number(got.step) + ": " + values.join(u' '), ticks);
}

void tst_UiHelpers::plotTimeStep_data()
{
    QTest::addColumn<qint64>("span"); // ms
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("labelRoom");
    QTest::addColumn<qint64>("step");
    QTest::newRow("a minute") << qint64(60000) << 1000.0 << 100.0 << qint64(10000);
    QTest::newRow("ten seconds, narrow") << qint64(10000) << 600.0 << 100.0 << qint64(2000);
    QTest::newRow("half a second") << qint64(500) << 1000.0 << 100.0 << qint64(50);
    QTest::newRow("a day") << qint64(86400000) << 400.0 << 100.0 << qint64(21600000);
    QTest::newRow("three days") << qint64(259200000) << 400.0 << 100.0 << qint64(86400000);
    QTest::newRow("thirty days: whole days")
        << qint64(2592000000) << 400.0 << 100.0 << qint64(691200000);
    QTest::newRow("a label wider than the axis") << qint64(60000) << 50.0 << 100.0 << qint64(60000);
}

void tst_UiHelpers::plotTimeStep()
{
    QFETCH(qint64, span);
    QFETCH(double, width);
    QFETCH(double, labelRoom);
    QFETCH(qint64, step);
    QCOMPARE(PlotScale::timeStep(span, width, labelRoom), step);
}

// Values that are shown together get the digits the most exact of them needs.
void tst_UiHelpers::plotNumbers_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("text");
    QTest::newRow("German") << QList<double>{21.5, 20.1, 23} << 0 << "21,5 20,1 23,0";
    QTest::newRow("English") << QList<double>{21.5, 20.1, 23} << 1 << "21.5 20.1 23.0";
    QTest::newRow("whole numbers") << QList<double>{40, -3} << 1 << "40 -3";
    QTest::newRow("at most six digits") << QList<double>{0.1234567, 1} << 1 << "0.123457 1.000000";
    QTest::newRow("no group separator") << QList<double>{1234567.5} << 0 << "1234567,5";
    QTest::newRow("large and small in exponent form")
        << QList<double>{12345678, 0.00005} << 1 << "1.23457E+07 5E-05";
}

void tst_UiHelpers::plotNumbers()
{
    QFETCH(QList<double>, values);
    QFETCH(int, language);
    QFETCH(QString, text);
    QStringList texts;
    for (const double v : values)
        texts << PlotScale::number(v, PlotScale::decimalsFor(values), quint8(language));
    QCOMPARE(texts.join(u' '), text);
}

QTEST_APPLESS_MAIN(tst_UiHelpers)
#include "tst_ui_helpers.moc"
