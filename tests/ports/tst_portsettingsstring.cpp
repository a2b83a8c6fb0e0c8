#include "ports/LineTime.h"
#include "ports/PortErrors.h"
#include "ports/PortSettingsString.h"
#include "ports/SerialPortControl.h"

#include <QTest>

Q_DECLARE_METATYPE(Parity)
Q_DECLARE_METATYPE(StopBits)

class tst_PortSettingsString : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void goodStrings_data();
    void goodStrings();
    void everyRateOfTheTable_data();
    void everyRateOfTheTable();
    void badStrings_data();
    void badStrings();
    void drainLimit_data();
    void drainLimit();
};

void tst_PortSettingsString::goodStrings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("baud");
    QTest::addColumn<Parity>("parity");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<StopBits>("stopBits");
    QTest::addColumn<int>("halfBits"); // on the line per character, start bit included
    QTest::newRow("8N1") << "9600,N,8,1" << 9600 << Parity::None << 8 << StopBits::One << 20;
    QTest::newRow("7N2") << "9600,N,7,2" << 9600 << Parity::None << 7 << StopBits::Two << 20;
    QTest::newRow("7E1") << "19200,E,7,1" << 19200 << Parity::Even << 7 << StopBits::One << 20;
    QTest::newRow("7O1") << "300,O,7,1" << 300 << Parity::Odd << 7 << StopBits::One << 20;
    QTest::newRow("8N2") << "921600,N,8,2" << 921600 << Parity::None << 8 << StopBits::Two << 22;
    QTest::newRow("mark") << "1200,M,8,1" << 1200 << Parity::Mark << 8 << StopBits::One << 22;
    QTest::newRow("space") << "1200,S,6,1" << 1200 << Parity::Space << 6 << StopBits::One << 18;
    QTest::newRow("lower case") << "4800,e,8,1" << 4800 << Parity::Even << 8 << StopBits::One << 22;
    QTest::newRow("blanks") << " 2400 , o , 5 , 1.5 " << 2400 << Parity::Odd << 5
                            << StopBits::OneAndHalf << 17;
    QTest::newRow("odd rate") << "31250,N,8,1" << 31250 << Parity::None << 8 << StopBits::One
                              << 20;
    QTest::newRow("tabs around, zeros before the rate, was refused")
        << "\t0000009600\t,N,8,1" << 9600 << Parity::None << 8 << StopBits::One << 20;
}

void tst_PortSettingsString::goodStrings()
{
    QFETCH(QString, text);
    QFETCH(int, baud);
    QFETCH(Parity, parity);
    QFETCH(int, dataBits);
    QFETCH(StopBits, stopBits);
    const PortSettings settings = parsePortSettings(text);
    QCOMPARE(settings.baud, baud);
    QCOMPARE(settings.parity, parity);
    QCOMPARE(settings.dataBits, dataBits);
    QCOMPARE(settings.stopBits, stopBits);
    QFETCH(int, halfBits);
    QCOMPARE(halfBitsPerCharacter(settings), halfBits);
}

void tst_PortSettingsString::everyRateOfTheTable_data()
{
    QTest::addColumn<int>("baud");
    for (int baud : {300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 56000, 57600, 115200,
                     230400, 460800, 921600})
        QTest::addRow("%d", baud) << baud;
}

void tst_PortSettingsString::everyRateOfTheTable()
{
    QFETCH(int, baud);
    for (const char *format : {",N,8,1", ",N,7,2", ",E,7,1", ",O,7,1", ",N,8,2", ",E,8,1", ",O,8,1"})
        QCOMPARE(parsePortSettings(QString::number(baud) + QLatin1String(format)).baud, baud);
}

void tst_PortSettingsString::badStrings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("complaint");
    QTest::newRow("empty") << "" << "expected baud,parity,data bits,stop bits";
    QTest::newRow("baud only") << "9600" << "expected baud";
    QTest::newRow("five fields") << "9600,N,8,1,1" << "expected baud";
    QTest::newRow("no baud") << ",N,8,1" << "baud rate";
    QTest::newRow("zero baud") << "0,N,8,1" << "baud rate";
    QTest::newRow("negative baud") << "-9600,N,8,1" << "baud rate";
    QTest::newRow("plus baud") << "+9600,N,8,1" << "baud rate";
    QTest::newRow("huge baud") << "99999999999,N,8,1" << "baud rate";
    QTest::newRow("baud too high") << "4000001,N,8,1" << "baud rate";
    QTest::newRow("baud with blank inside") << "96 00,N,8,1" << "baud rate";
    QTest::newRow("hex baud") << "0x2580,N,8,1" << "baud rate";
    QTest::newRow("parity X") << "9600,X,8,1" << "parity";
    QTest::newRow("parity word") << "9600,None,8,1" << "parity";
    QTest::newRow("parity empty") << "9600,,8,1" << "parity";
    QTest::newRow("4 data bits") << "9600,N,4,1" << "data bits";
    QTest::newRow("9 data bits") << "9600,N,9,1" << "data bits";
    QTest::newRow("data bits 08") << "9600,N,08,1" << "data bits";
    QTest::newRow("0 stop bits") << "9600,N,8,0" << "stop bits";
    QTest::newRow("3 stop bits") << "9600,N,8,3" << "stop bits";
    QTest::newRow("stop 1,5 comma") << "9600,N,5,1,5" << "expected baud";
    QTest::newRow("1.5 with 8 bits") << "9600,N,8,1.5" << "1.5 stop bits need 5 data bits";
    // Fixed: white space other than blanks was trimmed, and 'ſ' upper-cased
    // to a space parity.
    QTest::newRow("line end after the stop bits, was accepted") << "9600,N,8,1\r" << "stop bits";
    QTest::newRow("no-break space before the rate, was accepted")
        << QString::fromUtf8("\xC2\xA0" "9600,N,8,1") << "baud rate";
    QTest::newRow("long s as parity, was accepted")
        << QString::fromUtf8("9600,\xC5\xBF,8,1") << "parity";
    QTest::newRow("dotless i as parity") << QString::fromUtf8("9600,\xC4\xB1,8,1") << "parity";
}

void tst_PortSettingsString::badStrings()
{
    QFETCH(QString, text);
    QFETCH(QString, complaint);
    try {
        parsePortSettings(text);
        QFAIL("a malformed settings string was accepted");
    } catch (const PortError &error) {
        QCOMPARE(error.number(), PortErrors::InvalidSettings);
        QVERIFY2(error.description().contains(complaint), qPrintable(error.description()));
        QVERIFY(error.description().contains(QLatin1String("'") + text + QLatin1String("'")));
    }
}

void tst_PortSettingsString::drainLimit_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<qint64>("queued");
    QTest::addColumn<qint64>("limitMs"); // line time x 1.25 + 1 s, at most 60 s
    QTest::newRow("nothing queued") << "9600,N,8,1" << qint64(0) << qint64(1000);
    QTest::newRow("one character at 9600") << "9600,N,8,1" << qint64(1) << qint64(1002);
    QTest::newRow("400 at 300 baud") << "300,N,8,1" << qint64(400) << qint64(17667);
    QTest::newRow("9600 at 9600 baud") << "9600,N,8,1" << qint64(9600) << qint64(13500);
    QTest::newRow("parity and 2 stop bits count") << "9600,E,8,2" << qint64(9600)
                                                  << qint64(16000);
    QTest::newRow("1.5 stop bits count") << "300,N,5,1.5" << qint64(300) << qint64(10375);
    QTest::newRow("at most a minute") << "300,N,8,1" << qint64(4000) << qint64(60000);
    QTest::newRow("a queue beyond reason") << "50,N,8,2" << (qint64(1) << 62) << qint64(60000);
    QTest::newRow("a negative count is none") << "9600,N,8,1" << qint64(-5) << qint64(1000);
}

void tst_PortSettingsString::drainLimit()
{
    QFETCH(QString, settings);
    QFETCH(qint64, queued);
    QFETCH(qint64, limitMs);
    QCOMPARE(qint64(::drainLimit(queued, parsePortSettings(settings)).count()), limitMs);
}

QTEST_APPLESS_MAIN(tst_PortSettingsString)
#include "tst_portsettingsstring.moc"
