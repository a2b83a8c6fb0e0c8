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
    void receivedChecksum_data();
    void receivedChecksum();
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
    // Received behind its data, it is found right; any other byte there, wrong.
    QCOMPARE(checksumSize(Checksum(kind)), appended.size());
    if (data.isEmpty())
        return;
    QByteArray spoilt = data + appended;
    QVERIFY(checkReceived(Checksum(kind), spoilt, {})->correct);
    spoilt.back() = char(spoilt.back() ^ 0x20);
    QVERIFY(!checkReceived(Checksum(kind), spoilt, {})->correct);
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

void tst_BlockCheck::receivedChecksum_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("lineEnd");
    QTest::addColumn<QByteArray>("expected"); // null: no mark
    QTest::addColumn<QByteArray>("received");
    const int modbus = int(Checksum::Crc16Modbus);
    const int xor8 = int(Checksum::Xor8);
    const QByteArray none;
    QTest::newRow("Modbus answer, right")
        << modbus << QByteArray::fromHex("01030404D2162ED546") << none
        << QByteArray::fromHex("D546") << QByteArray::fromHex("D546");
    QTest::newRow("Modbus answer, wrong")
        << modbus << QByteArray::fromHex("01030404D2162E0000") << QByteArray("\n")
        << QByteArray::fromHex("D546") << QByteArray::fromHex("0000");
    QTest::newRow("before a CR LF line end")
        << modbus << QByteArray::fromHex("01030404D2162ED5460D0A") << QByteArray("\r\n")
        << QByteArray::fromHex("D546") << QByteArray::fromHex("D546");
    QTest::newRow("before an LF") << xor8 << QByteArray("AB\x03\n") << QByteArray("\n")
                                  << QByteArray("\x03") << QByteArray("\x03");
    QTest::newRow("an LF that is not the chosen line end is data")
        << xor8 << QByteArray("AB\x03\n") << QByteArray("\r\n") << QByteArray(1, '\0')
        << QByteArray("\n");
    QTest::newRow("one byte and its check")
        << xor8 << QByteArray("AA") << none << QByteArray("A") << QByteArray("A");
    QTest::newRow("the check alone: no mark")
        << modbus << QByteArray("\x01\x02") << none << none << none;
    QTest::newRow("the check alone before its line end: no mark")
        << xor8 << QByteArray("A\r") << QByteArray("\r") << none << none;
}

// A received line's last bytes (before its line end) against the check of
// the bytes before them.
void tst_BlockCheck::receivedChecksum()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, lineEnd);
    QFETCH(QByteArray, expected);
    QFETCH(QByteArray, received);
    const auto check = checkReceived(Checksum(kind), line, lineEnd);
    QCOMPARE(check.has_value(), !expected.isNull());
    if (!check)
        return;
    QCOMPARE(check->expected, expected);
    QCOMPARE(check->received, received);
    QCOMPARE(check->correct, expected == received);
}

QTEST_GUILESS_MAIN(tst_BlockCheck)
#include "tst_blockcheck.moc"
