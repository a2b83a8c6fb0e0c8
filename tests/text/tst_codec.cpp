#include "text/Codec.h"
#include "text/Utf8.h"

#include <QTest>

class tst_Codec : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyByteRoundTrips();
    void knownCharacters_data();
    void knownCharacters();
    void characterWithoutByteFails_data();
    void characterWithoutByteFails();
    void utf8_data();
    void utf8();
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

void tst_Codec::utf8_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text"); // empty: not UTF-8
    QTest::newRow("ASCII") << QByteArray("/dev/ttyS0") << "/dev/ttyS0";
    QTest::newRow("two bytes, lowest and highest")
        << QByteArray("\xC2\x80\xDF\xBF") << QString(QChar(0x80)) + QChar(0x7FF);
    QTest::newRow("three bytes") << QByteArray("\xE0\xA0\x80\xEF\xBF\xBF")
                                 << QString(QChar(0x800)) + QChar(0xFFFF);
    QTest::newRow("three bytes, leads E1 and EC")
        << QByteArray("\xE1\x80\x80\xEC\xBF\xBF") << QString(QChar(0x1000)) + QChar(0xCFFF);
    QTest::newRow("four bytes, leads F1 and F3") << QByteArray("\xF1\x80\x80\x80\xF3\xBF\xBF\xBF")
                                                 << QString::fromUcs4(U"\U00040000\U000FFFFF");
    QTest::newRow("just below the surrogates")
        << QByteArray("\xED\x9F\xBF") << QString(QChar(0xD7FF));
    QTest::newRow("four bytes, lowest and highest")
        << QByteArray("\xF0\x90\x80\x80\xF4\x8F\xBF\xBF")
        << QString::fromUcs4(U"\U00010000\U0010FFFF");
    QTest::newRow("a byte-order mark is kept")
        << QByteArray("\xEF\xBB\xBFx") << QString(QChar(0xFEFF)) + u'x';
    QTest::newRow("NUL") << QByteArray("a\0b", 3) << QStringView(u"a\0b", 3).toString();
    QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << "";
    QTest::newRow("overlong, lead C1") << QByteArray("\xC1\xBF") << "";
    QTest::newRow("overlong, three bytes") << QByteArray("\xE0\x9F\xBF") << "";
    QTest::newRow("overlong, four bytes") << QByteArray("\xF0\x8F\xBF\xBF") << "";
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << "";
    QTest::newRow("past U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << "";
    QTest::newRow("no such first byte") << QByteArray("\xF5\x80\x80\x80") << "";
    QTest::newRow("a lone continuation byte") << QByteArray("a\x80") << "";
    QTest::newRow("cut off at the end") << QByteArray("a\xE2\x82") << "";
    QTest::newRow("cut off inside") << QByteArray("\xE2\x82z") << "";
    QTest::newRow("third byte no continuation") << QByteArray("\xF0\x90\x41\x80") << "";
    QTest::newRow("Windows-1252 umlaut") << QByteArray("Ger\xE4t") << "";
}

void tst_Codec::utf8()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(Utf8::isValid(bytes), !text.isEmpty());
    QCOMPARE(Utf8::decode(bytes), text.isEmpty() ? std::nullopt : std::optional<QString>(text));
    if (!text.isEmpty())
        QVERIFY(Utf8::carries(text));
}

QTEST_APPLESS_MAIN(tst_Codec)
#include "tst_codec.moc"
