#include "text/ReportHook.h"
#include "text/UnexpectedError.h"
#include "text/modFormat.h"

#include <stdexcept>

#include <QTest>

class tst_Format : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void insertParam_data();
    void insertParam();
    void insertParamOverwritesTemplate();
    void insertParamBeyond16BitPositions();
    void extract_data();
    void extract();
    void extractBeyond16BitPositions();
    void filterNumeric_data();
    void filterNumeric();
    void ordinaryInputNeverReports();
    void unexpectedErrorBox_data();
    void unexpectedErrorBox();
};

void tst_Format::insertParam_data()
{
    QTest::addColumn<QString>("templ");
    QTest::addColumn<QStringList>("params");
    QTest::addColumn<QString>("expected");

    QTest::newRow("command button")
        << u"Befehl %% [F%%]"_qs << QStringList{u"3"_qs, u"3"_qs} << u"Befehl 3 [F3]"_qs;
    QTest::newRow("empty second stops")
        << u"Schnittstelle COM%% mit %% Baud %% und %% ist geöffnet."_qs
        << QStringList{u"1"_qs, QString(), u"9600"_qs}
        << u"Schnittstelle COM1 mit %% Baud %% und %% ist geöffnet."_qs;
    QTest::newRow("empty first removes") << u"a%%b"_qs << QStringList{QString()} << u"ab"_qs;
    QTest::newRow("empty first, then more")
        << u"%%-%%"_qs << QStringList{QString(), u"x"_qs} << u"-x"_qs;
    QTest::newRow("no placeholder")
        << u"Beenden"_qs << QStringList{u"x"_qs, u"y"_qs} << u"Beenden"_qs;
    QTest::newRow("placeholder in a parameter")
        << u"%% %%"_qs << QStringList{u"x%%y"_qs, u"Z"_qs} << u"xZy %%"_qs;
    QTest::newRow("surplus parameters")
        << u"%%"_qs << QStringList{u"a"_qs, u"b"_qs, u"c"_qs} << u"a"_qs;
    QTest::newRow("fewer parameters") << u"%%,%%,%%"_qs << QStringList{u"a"_qs} << u"a,%%,%%"_qs;
    QTest::newRow("no parameters") << u"<%%>"_qs << QStringList() << u"<>"_qs;
    QTest::newRow("single percent stays") << u"5% %%"_qs << QStringList{u"x"_qs} << u"5% x"_qs;
    QTest::newRow("three percent") << u"%%%"_qs << QStringList{u"x"_qs} << u"x%"_qs;

    QStringList twelve;
    for (int i = 1; i <= 12; ++i)
        twelve << QString::number(i);
    QTest::newRow("eleven at most")
        << QString(u"%%."_qs).repeated(12) << twelve << u"1.2.3.4.5.6.7.8.9.10.11.%%."_qs;
    QTest::newRow("error report")
        << u"Aktion: %%.%%Beschreibung: %%.%%Fehler: %%."_qs
        << QStringList{u"Öffnen"_qs, u"\r\n"_qs, u"belegt"_qs, u"\r\n"_qs, u"8005"_qs}
        << u"Aktion: Öffnen.\r\nBeschreibung: belegt.\r\nFehler: 8005."_qs;
}

void tst_Format::insertParam()
{
    QFETCH(QString, templ);
    QFETCH(QStringList, params);
    QFETCH(QString, expected);
    QCOMPARE(fkt_FormatInsertParam(std::as_const(templ), params), expected);
}

void tst_Format::insertParamOverwritesTemplate()
{
    QString templ = u"COM%%"_qs;
    const QString filled = fkt_FormatInsertParam(templ, {u"7"_qs});
    QCOMPARE(filled, u"COM7"_qs);
    QCOMPARE(templ, u"COM7"_qs);

    const QString fixed = u"COM%%"_qs;
    QCOMPARE(fkt_FormatInsertParam(fixed, {u"8"_qs}), u"COM8"_qs);
    QCOMPARE(fixed, u"COM%%"_qs);
}

// Placeholders far behind character 32,767 are filled like any other.
void tst_Format::insertParamBeyond16BitPositions()
{
    const QString padding(70000, u'x');
    const QString filled = fkt_FormatInsertParam(padding + u"%%|%%"_qs, {u"A"_qs, u"B"_qs});
    QCOMPARE(filled, padding + u"A|B"_qs);
}

void tst_Format::extract_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("onlyNumeric");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("expected");

    const QString nul(QChar(0));
    QTest::newRow("path buffer cut at NUL")
        << (u"C:\\Data"_qs + nul + u"rest"_qs + nul) << 1 << false << nul << u"C:\\Data"_qs;
    QTest::newRow("second field") << u"a;b;"_qs << 2 << false << u";"_qs << u"b"_qs;
    QTest::newRow("empty last field") << u"a;b;"_qs << 3 << false << u";"_qs << QString();
    QTest::newRow("beyond last field") << u"a;b;"_qs << 9 << false << u";"_qs << QString();
    QTest::newRow("index 0") << u"a;b"_qs << 0 << false << u";"_qs << QString();
    QTest::newRow("empty text, first field") << QString() << 1 << false << u";"_qs << QString();
    QTest::newRow("numeric filter") << u"A1-2.5x;9"_qs << 1 << true << u";"_qs << u"1-2.5"_qs;
    QTest::newRow("numeric filter drops comma") << u"1,5"_qs << 1 << true << u";"_qs << u"15"_qs;
    QTest::newRow("no numeric character") << u"COM;x"_qs << 1 << true << u";"_qs << QString();
    QTest::newRow("long separator never matches")
        << u"a;;b"_qs << 1 << false << u";;"_qs << u"a;;b"_qs;
    QTest::newRow("long separator, second field")
        << u"a;;b"_qs << 2 << false << u";;"_qs << QString();
    QTest::newRow("empty separator") << u"a;b"_qs << 1 << false << QString() << u"a;b"_qs;
    const QString portList =
        u"2"_qs + QChar(3) + u"1"_qs + QChar(3) + u"Kommunikationsanschluss"_qs;
    QTest::newRow("port list, count") << portList << 1 << true << QString(QChar(3)) << u"2"_qs;
    QTest::newRow("port list, name")
        << portList << 3 << false << QString(QChar(3)) << u"Kommunikationsanschluss"_qs;
    QTest::newRow("case-sensitive separator") << u"aXbxc"_qs << 2 << false << u"x"_qs << u"c"_qs;
}

void tst_Format::extract()
{
    QFETCH(QString, text);
    QFETCH(int, index);
    QFETCH(bool, onlyNumeric);
    QFETCH(QString, separator);
    QFETCH(QString, expected);
    QCOMPARE(fkt_FormatExtractSpecParameter(text, quint8(index), onlyNumeric, separator), expected);
}

void tst_Format::extractBeyond16BitPositions()
{
    const QString text = QString(40000, u'a') + u";x1y2"_qs;
    QCOMPARE(fkt_FormatExtractSpecParameter(text, 2, true, u";"_qs), u"12"_qs);
    QCOMPARE(fkt_FormatFilterOnlyNumericValue(QString(40000, u'a') + u"7"_qs), u"7"_qs);
}

void tst_Format::filterNumeric_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("port name") << u"COM12"_qs << u"12"_qs;
    QTest::newRow("letters only") << u"abc"_qs << QString();
    QTest::newRow("empty") << QString() << u"0"_qs;
    QTest::newRow("comma kept") << u"1,5"_qs << u"1,5"_qs;
    QTest::newRow("dot and minus kept") << u"-1.5 V"_qs << u"-1.5"_qs;
    QTest::newRow("E+ in first position") << u"E+5"_qs << u"5"_qs;
    QTest::newRow("E- in first position") << u"E-5"_qs << u"-5"_qs;
    QTest::newRow("exponent passes through") << u"1.5E+03 V"_qs << u"1.5E+03 V"_qs;
    QTest::newRow("negative exponent passes through") << u"x2E-1"_qs << u"x2E-1"_qs;
    QTest::newRow("lower-case e filtered") << u"1.5e+03 V"_qs << u"1.503"_qs;
    QTest::newRow("exponent later") << u"E+1E+2"_qs << u"E+1E+2"_qs;
    QTest::newRow("plus dropped") << u"+7"_qs << u"7"_qs;
}

void tst_Format::filterNumeric()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(fkt_FormatFilterOnlyNumericValue(value), expected);
}

void tst_Format::ordinaryInputNeverReports()
{
    QStringList reported;
    setReportHook([&](const QString &, const QString &text) { reported << text; });
    QString templ = u"%%%%%%"_qs;
    fkt_FormatInsertParam(templ, {u"%%"_qs, u"%"_qs, u"%%%"_qs});
    fkt_FormatExtractSpecParameter(QString(70000, u';'), 255, true, u";"_qs);
    fkt_FormatFilterOnlyNumericValue(QString(70000, u'E'));
    setReportHook({});
    QCOMPARE(reported, QStringList());
}

void tst_Format::unexpectedErrorBox_data()
{
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("expected");
    QTest::newRow("insert") << u"fkt_FormatInsertParam"_qs << u"Fehler: "_qs
                            << u"Unerwartete Ausnahme in Funktion: fkt_FormatInsertParam\r\n"
                               "Fehler: kaputt."_qs;
    QTest::newRow("extract")
        << u"fkt_FormatExtractSpecParameter"_qs << u"Fehler : "_qs
        << u"Unerwartete Ausnahme in Funktion: fkt_FormatExtractSpecParameter\r\n"
           "Fehler : kaputt."_qs;
}

void tst_Format::unexpectedErrorBox()
{
    QFETCH(QString, function);
    QFETCH(QString, label);
    QFETCH(QString, expected);
    QCOMPARE(unexpectedErrorText(function, label, u"kaputt"_qs), expected);

    QStringList reported;
    setReportHook([&](const QString &title, const QString &text) { reported << title << text; });
    reportUnexpectedError(function, label, std::runtime_error("kaputt"));
    setReportHook({});
    QCOMPARE(reported, (QStringList{u"Lintrova"_qs, expected}));
}

QTEST_GUILESS_MAIN(tst_Format)
#include "tst_format.moc"
