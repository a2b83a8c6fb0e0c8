#include "text/Codec.h"

#include <QTest>

class tst_Codec : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyByteRoundTrips();
    void knownCharacters_data();
    void knownCharacters();
    void characterWithoutByteFails_data();
    void characterWithoutByteFails();
};

void tst_Codec::everyByteRoundTrips()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = Codec::toText(all);
    QCOMPARE(text.size(), 256);
    QSet<QChar> distinct(text.begin(), text.end());
    QCOMPARE(distinct.size(), 256); // one-to-one
    const auto back = Codec::toBytes(text);
    QVERIFY(back.has_value());
    QCOMPARE(*back, all);
}

void tst_Codec::knownCharacters_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("unicode");
    QTest::newRow("NUL") << 0x00 << 0x0000;
    QTest::newRow("A") << 0x41 << 0x0041;
    QTest::newRow("DEL") << 0x7F << 0x007F;
    // The whole range where Windows-1252 differs from Latin-1: a swap of two
    // characters would still round-trip, so each byte is named here.
    const int windows1252[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    for (int byte = 0x80; byte <= 0x9F; ++byte)
        QTest::addRow("0x%02X", byte) << byte << windows1252[byte - 0x80];
    QTest::newRow("nbsp") << 0xA0 << 0x00A0;
    QTest::newRow("a umlaut") << 0xE4 << 0x00E4;
    QTest::newRow("y diaeresis") << 0xFF << 0x00FF;
}

void tst_Codec::knownCharacters()
{
    QFETCH(int, byte);
    QFETCH(int, unicode);
    QCOMPARE(int(Codec::charFromByte(uchar(byte)).unicode()), unicode);
    QCOMPARE(Codec::byteFromChar(QChar(char16_t(unicode))), std::optional<uchar>(uchar(byte)));
}

void tst_Codec::characterWithoutByteFails_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("cjk") << QStringLiteral("AB\u65E5C");
    QTest::newRow("C1 control of the euro byte") << QStringLiteral("\u0080");
    QTest::newRow("C1 control 0x9F") << QStringLiteral("x\u009F");
    QTest::newRow("greek") << QStringLiteral("\u03A9");
}

void tst_Codec::characterWithoutByteFails()
{
    QFETCH(QString, text);
    QVERIFY(!Codec::toBytes(text).has_value());
}

QTEST_APPLESS_MAIN(tst_Codec)
#include "tst_codec.moc"
