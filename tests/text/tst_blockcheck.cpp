#include "text/BlockCheck.h"
#include "text/Checksums.h"
#include "text/ReceivedChecksum.h"
#include "text/Tokens.h"

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
    void checksums_data();
    void checksums();
    void hexTokenOfBytes_data();
    void hexTokenOfBytes();
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

void tst_BlockCheck::checksums_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("appended"); // in the order sent
    const auto kind = [](Checksum c) { return int(c); };
    const QByteArray check("123456789");
    // The published check values of the catalogue of CRCs, over "123456789".
    QTest::newRow("CRC-16/MODBUS check 0x4B37, low byte first")
        << kind(Checksum::Crc16Modbus) << check << QByteArray::fromHex("374B");
    QTest::newRow("CRC-16/CCITT-FALSE check 0x29B1")
        << kind(Checksum::Crc16CcittFalse) << check << QByteArray::fromHex("29B1");
    QTest::newRow("CRC-16/XMODEM check 0x31C3")
        << kind(Checksum::Crc16Xmodem) << check << QByteArray::fromHex("31C3");
    QTest::newRow("CRC-8 check 0xF4") << kind(Checksum::Crc8) << check << QByteArray::fromHex("F4");
    // 0x31 + ... + 0x39 = 0x1DD.
    QTest::newRow("SUM-8") << kind(Checksum::Sum8) << check << QByteArray::fromHex("DD");
    QTest::newRow("LRC") << kind(Checksum::Lrc) << check << QByteArray::fromHex("23");
    QTest::newRow("XOR-8") << kind(Checksum::Xor8) << check << QByteArray::fromHex("31");
    // A real device: read two holding registers from address 0 of unit 1.
    QTest::newRow("Modbus request")
        << kind(Checksum::Crc16Modbus) << QByteArray::fromHex("010300000002")
        << QByteArray::fromHex("C40B");
    QTest::newRow("Modbus answer")
        << kind(Checksum::Crc16Modbus) << QByteArray::fromHex("01030404D2162E")
        << QByteArray::fromHex("D546");
    // Modbus ASCII: ":010300000002FA"; the LRC of its bytes.
    QTest::newRow("LRC of a Modbus ASCII request")
        << kind(Checksum::Lrc) << QByteArray::fromHex("010300000002") << QByteArray::fromHex("FA");
    QTest::newRow("CRC-16/MODBUS of nothing")
        << kind(Checksum::Crc16Modbus) << QByteArray() << QByteArray::fromHex("FFFF");
    QTest::newRow("CRC-16/CCITT-FALSE of nothing")
        << kind(Checksum::Crc16CcittFalse) << QByteArray() << QByteArray::fromHex("FFFF");
    QTest::newRow("CRC-16/XMODEM of nothing")
        << kind(Checksum::Crc16Xmodem) << QByteArray() << QByteArray::fromHex("0000");
    QTest::newRow("CRC-8 of nothing") << kind(Checksum::Crc8) << QByteArray() << QByteArray(1, 0);
    QTest::newRow("LRC of nothing") << kind(Checksum::Lrc) << QByteArray() << QByteArray(1, 0);
    QTest::newRow("high bytes wrap the sum")
        << kind(Checksum::Sum8) << QByteArray::fromHex("FF0280") << QByteArray::fromHex("81");
    QTest::newRow("LRC, high bytes")
        << kind(Checksum::Lrc) << QByteArray::fromHex("FF0280") << QByteArray::fromHex("7F");
    QTest::newRow("XOR-8, high bytes")
        << kind(Checksum::Xor8) << QByteArray::fromHex("FF0280") << QByteArray::fromHex("7D");
    QTest::newRow("CRC-8, one byte")
        << kind(Checksum::Crc8) << QByteArray::fromHex("FF") << QByteArray::fromHex("F3");
}

void tst_BlockCheck::checksums()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, appended);
    QCOMPARE(checksumBytes(Checksum(kind), data), appended);
    // Appended to the telegram as a hex token, it decodes to exactly those bytes.
    const QString token = hexToken(appended);
    QCOMPARE(DecodeToBytes(token), std::optional(appended));
    // Received behind its data before the line end chosen, it is found right;
    // before another line end (or any other byte there), wrong; the check
    // alone carries none.
    QCOMPARE(checksumSize(Checksum(kind)), appended.size());
    if (data.isEmpty())
        return;
    const QByteArray line = data + appended + "\r\n";
    const auto right = checkReceived(Checksum(kind), line, "\r\n");
    QVERIFY(right->correct && right->expected == appended && right->received == appended);
    const auto wrong = checkReceived(Checksum(kind), line, "\n");
    QVERIFY(!wrong->correct && wrong->expected == checksumBytes(Checksum(kind), line.chopped(1 + appended.size())));
    QVERIFY(!checkReceived(Checksum(kind), QByteArray(appended + "\r"), "\r"));
}

void tst_BlockCheck::hexTokenOfBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("token");
    QTest::newRow("Modbus CRC") << QByteArray::fromHex("C40B") << "<0xC4 0B>";
    QTest::newRow("one byte") << QByteArray::fromHex("0a") << "<0x0A>";
    QTest::newRow("brackets") << QByteArray("<>") << "<0x3C 3E>";
    QTest::newRow("nothing") << QByteArray() << "";
}

void tst_BlockCheck::hexTokenOfBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, token);
    QCOMPARE(hexToken(bytes), token);
}

QTEST_GUILESS_MAIN(tst_BlockCheck)
#include "tst_blockcheck.moc"
