#include "text/BlockCheck.h"

#include <QTest>

class tst_BlockCheck : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void calc_data();
    void calc();
    void append_data();
    void append();
    void secondClickCoversFirstCheck();
};

void tst_BlockCheck::calc_data()
{
    QTest::addColumn<QByteArray>("telegram");
    QTest::addColumn<int>("expected");
    QTest::newRow("STX ABC ETX") << QByteArray("\x02"
                                               "ABC\x03")
                                 << 195;
    QTest::newRow("no STX") << QByteArray("ABC") << 192;
    QTest::newRow("empty") << QByteArray() << 128;
    QTest::newRow("STX alone") << QByteArray("\x02") << 128;
    QTest::newRow("STX A") << QByteArray("\x02"
                                         "A")
                           << 193;
    QTest::newRow("characters before STX not covered") << QByteArray("ZZ\x02"
                                                                     "A")
                                                       << 193;
    QTest::newRow("second STX covered") << QByteArray("\x02"
                                                      "A\x02")
                                        << 0xC3;                       // 0x41 ^ 0x02, bit 7 set
    QTest::newRow("high bytes") << QByteArray("\x02\xff\x80") << 0xFF; // 0xFF ^ 0x80, bit 7 set
    QTest::newRow("bit 7 already set") << QByteArray("\xc1") << 0xc1;
    QTest::newRow("NUL counts as a byte") << QByteArray("\x02\x00\x01", 3) << 0x81;
}

void tst_BlockCheck::calc()
{
    QFETCH(QByteArray, telegram);
    QFETCH(int, expected);
    QCOMPARE(int(fkt_ToolsCalcBlockcheck(telegram)), expected);
}

void tst_BlockCheck::append_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("telegram") << u"<STX>ABC<ETX>"_qs << u"<STX>ABC<ETX><195>"_qs;
    QTest::newRow("digits") << u"<STX>01234<ETX>"_qs << u"<STX>01234<ETX><183>"_qs;
    QTest::newRow("no STX") << u"ABC"_qs << u"ABC<192>"_qs;
    QTest::newRow("empty") << QString() << u"<128>"_qs;
    QTest::newRow("STX alone") << u"<STX>"_qs << u"<STX><128>"_qs;
    QTest::newRow("STX A") << u"<STX>A"_qs << u"<STX>A<193>"_qs;
    QTest::newRow("numeric STX") << u"xy<2>A"_qs << u"xy<2>A<193>"_qs;
    QTest::newRow("euro is byte 128") << u"<STX>€"_qs << u"<STX>€<128>"_qs;
    QTest::newRow("undecodable text unchanged") << u"<STX>a<b>"_qs << u"<STX>a<b>"_qs;
    QTest::newRow("NUL by name unchanged") << u"<NUL>"_qs << u"<NUL>"_qs;
    QTest::newRow("character without a byte unchanged") << u"<STX>日"_qs << u"<STX>日"_qs;
}

void tst_BlockCheck::append()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(AppendBlockCheck(text), expected);
}

void tst_BlockCheck::secondClickCoversFirstCheck()
{
    const QString once = AppendBlockCheck(u"<STX>A"_qs);
    QCOMPARE(once, u"<STX>A<193>"_qs);
    QCOMPARE(AppendBlockCheck(once), u"<STX>A<193><128>"_qs);
}

QTEST_GUILESS_MAIN(tst_BlockCheck)
#include "tst_blockcheck.moc"
