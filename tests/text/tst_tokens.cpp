#include "text/Codec.h"
#include "text/ReportHook.h"
#include "text/Tokens.h"

#include <QTest>

class tst_Tokens : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void decode_data();
    void decode();
    void decodeHex_data();
    void decodeHex();
    void faultIsNamed_data();
    void faultIsNamed();
    void replaceNamedTokens_data();
    void replaceNamedTokens();
    void encode_data();
    void encode();
    void encodeLeavesOtherCodesAlone();
    void encodedControlCharsDecodeBack();
    void charFromCode_data();
    void charFromCode();
    void charFromCodeNeverReports();
};

namespace
{

QString codes(std::initializer_list<int> list)
{
    QString text;
    for (int code : list)
        text += Codec::charFromByte(uchar(code));
    return text;
}

// A row whose decoding fails.
const std::optional<QString> kFails = std::nullopt;

} // namespace

void tst_Tokens::decode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<QString>>("expected");

    QTest::newRow("named tokens") << u"<STX>A<ETX>"_qs << std::optional(codes({2, 65, 3}));
    QTest::newRow("numeric tokens") << u"<2>A<3>"_qs << std::optional(codes({2, 65, 3}));
    QTest::newRow("all eight names") << u"<STX><ETX><EOT><ENQ><ACK><LF><CR><NAK>"_qs
                                     << std::optional(codes({2, 3, 4, 5, 6, 10, 13, 21}));
    QTest::newRow("same token twice, one round") << u"<65><65>"_qs << std::optional(u"AA"_qs);
    QTest::newRow("produced '<' opens a token") << u"<60>65>"_qs << std::optional(u"A"_qs);
    QTest::newRow("produced '>' closes nothing before it") << u"<62>"_qs << std::optional(u">"_qs);
    QTest::newRow("produced '<' without '>'") << u"a<60>b"_qs << std::optional(u"a<b"_qs);
    QTest::newRow("produced digits form a token") << u"<54><6<54>>"_qs << std::optional(u"6B"_qs);
    QTest::newRow("pair formed in a round waits for the next")
        << u"<53><<53>3>"_qs << std::optional(u"55"_qs);
    QTest::newRow("different spellings, two rounds") << u"<065><65>"_qs << std::optional(u"AA"_qs);
    QTest::newRow("named tokens only before the rounds") << u"<60>STX>"_qs << kFails;
    QTest::newRow("NUL by number") << u"<0>"_qs << std::optional(codes({0}));
    QTest::newRow("NUL by name") << u"<NUL>"_qs << kFails;
    QTest::newRow("lower-case nul") << u"<nul>"_qs << kFails;
    QTest::newRow("lower-case stx") << u"<stx>"_qs << kFails;
    QTest::newRow("empty token") << u"<>"_qs << kFails;
    QTest::newRow("256") << u"<256>"_qs << kFails;
    QTest::newRow("letter") << u"<A>"_qs << kFails;
    QTest::newRow("between digits") << u"1<2>3"_qs << std::optional(codes({'1', 2, '3'}));
    QTest::newRow("no '>' after '<'") << u"a<b"_qs << std::optional(u"a<b"_qs);
    QTest::newRow("'>' only") << u"x>y"_qs << std::optional(u"x>y"_qs);
    QTest::newRow("'>' before '<'") << u"x>y<z"_qs << std::optional(u"x>y<z"_qs);
    QTest::newRow("letter token") << u"a<b>"_qs << kFails;
    QTest::newRow("comparison text") << u"1 < 2 and 3 > 2"_qs << kFails;
    QTest::newRow("'<' inside the first pair") << u"<<65>"_qs << kFails;
    QTest::newRow("'<' twice, no '>'") << u"<<STX"_qs << std::optional(u"<<STX"_qs);
    QTest::newRow("no token") << u"plain"_qs << std::optional(u"plain"_qs);
    QTest::newRow("empty") << QString() << std::optional(QString());
    QTest::newRow("blanks around") << u"< 65 >"_qs << std::optional(u"A"_qs);
    QTest::newRow("plus sign") << u"<+65>"_qs << std::optional(u"A"_qs);
    QTest::newRow("minus zero") << u"<-0>"_qs << std::optional(codes({0}));
    QTest::newRow("blanks and sign") << u"<  +065  >"_qs << std::optional(u"A"_qs);
    QTest::newRow("many leading zeros")
        << u"<00000000000000000000065>"_qs << std::optional(u"A"_qs);
    QTest::newRow("huge number") << u"<99999999999999999999999>"_qs << kFails;
    QTest::newRow("minus one") << u"<-1>"_qs << kFails;
    QTest::newRow("blank after sign") << u"<+ 65>"_qs << kFails;
    QTest::newRow("two signs") << u"<+-1>"_qs << kFails;
    QTest::newRow("sign only") << u"<+>"_qs << kFails;
    QTest::newRow("blanks only") << u"<  >"_qs << kFails;
    QTest::newRow("blank inside the number") << u"<6 5>"_qs << kFails;
    QTest::newRow("tab is no blank") << u"<\t65>"_qs << kFails;
    QTest::newRow("hexadecimal, now a hex token") << u"<0x41>"_qs << std::optional(u"A"_qs);
    QTest::newRow("fraction") << u"<6.5>"_qs << kFails;
    QTest::newRow("exponent") << u"<1e2>"_qs << kFails;
    QTest::newRow("non-ASCII digit") << (u"<"_qs + QChar(0x0665) + u">"_qs) << kFails;
    QTest::newRow("euro byte") << u"<128>"_qs << std::optional(QString(QChar(0x20AC)));
    QTest::newRow("last byte") << u"<255>"_qs << std::optional(QString(QChar(0xFF)));
    QTest::newRow("unassigned byte") << u"<129>"_qs << std::optional(QString(QChar(0x81)));
}

void tst_Tokens::decodeHex_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected"); // null: decoding fails
    const QByteArray fails;
    QTest::newRow("ESC") << u"<0x1B>"_qs << QByteArray("\x1B");
    QTest::newRow("CR LF run together") << u"<0x0D0A>"_qs << QByteArray("\r\n");
    QTest::newRow("Modbus request")
        << u"<0x01 03 00 00 00 02><0xC4 0B>"_qs << QByteArray::fromHex("010300000002C40B");
    QTest::newRow("either case, several blanks")
        << u"<0xaB  cD ef>"_qs << QByteArray::fromHex("ABCDEF");
    QTest::newRow("3C and 3E are final, not the token <65>")
        << u"<0x3C 36 35 3E>"_qs << QByteArray("<65>");
    QTest::newRow("telegram holding 3C and 3E goes out as written")
        << u"<0x01 06 00 3C 00 3E>"_qs << QByteArray::fromHex("0106003C003E");
    QTest::newRow("a final '<' opens nothing") << u"<0x3C><65>"_qs << QByteArray("<A");
    QTest::newRow("a final '>' closes nothing") << u"<0x3E>x<<0x3E>"_qs << QByteArray(">x<>");
    QTest::newRow("a final '<' before a '>'") << u"<0x3C>2>"_qs << QByteArray("<2>");
    QTest::newRow("a decimal '<' opens a hex token") << u"<60>0x41>"_qs << QByteArray("A");
    QTest::newRow("every occurrence in one round") << u"<0x41>x<0x41>"_qs << QByteArray("AxA");
    QTest::newRow("final bytes inside a pair made later") << u"<0x36>x<<0x36>>"_qs << fails;
    QTest::newRow("named tokens beside") << u"<STX><0x30 31><ETX>"_qs
                                         << QByteArray("\x02"
                                                       "01\x03");
    QTest::newRow("NUL byte") << u"<0x00>"_qs << QByteArray(1, '\0');
    QTest::newRow("all 256 bytes in one token") <<
        [] {
            QString text = u"<0x"_qs;
            for (int b = 0; b < 256; ++b)
                text += QStringLiteral("%1 ").arg(b, 2, 16, QLatin1Char('0'));
            text.back() = u'>';
            return text;
        }()
                                                << [] {
                                                       QByteArray all;
                                                       for (int b = 0; b < 256; ++b)
                                                           all.append(char(b));
                                                       return all;
                                                   }();
    QTest::newRow("0x alone") << u"<0x>"_qs << fails;
    QTest::newRow("odd digit count") << u"<0x414>"_qs << fails;
    QTest::newRow("one digit") << u"<0x4>"_qs << fails;
    QTest::newRow("odd group between blanks") << u"<0x041 41>"_qs << fails;
    QTest::newRow("no hex digit") << u"<0x4G>"_qs << fails;
    QTest::newRow("upper-case X") << u"<0X41>"_qs << fails;
    QTest::newRow("blank after 0x") << u"<0x 41>"_qs << fails;
    QTest::newRow("blank at the end") << u"<0x41 >"_qs << fails;
    QTest::newRow("blank before 0x") << u"< 0x41>"_qs << fails;
    QTest::newRow("sign") << u"<+0x41>"_qs << fails;
    QTest::newRow("tab between bytes") << u"<0x41\t42>"_qs << fails;
    QTest::newRow("no 0") << u"<x41>"_qs << fails;
    QTest::newRow("left open, was sent as text") << u"<0x41><0x01 03 "_qs << fails;
    QTest::newRow("left open, nothing after 0x") << u"ab<0x"_qs << fails;
    QTest::newRow("not open: no hex digit after") << u"<0x4g"_qs << QByteArray("<0x4g");
}

void tst_Tokens::decodeHex()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    DecodeFault fault;
    const auto bytes = DecodeToBytes(text, &fault);
    QVERIFY2(bytes.has_value() == !expected.isNull(), qPrintable(text.mid(fault.start, 20)));
    if (bytes)
        QCOMPARE(*bytes, expected);
    else
        QVERIFY(fault.start >= 0 && fault.length >= 2 && text[fault.start] == u'<');
}

void tst_Tokens::decode()
{
    QFETCH(QString, text);
    QFETCH(std::optional<QString>, expected);
    QCOMPARE(DecodeTokens(text), expected);
}

void tst_Tokens::faultIsNamed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind"); // -1: the text decodes
    QTest::addColumn<QString>("atFault");
    const int token = int(DecodeFault::Kind::Token);
    const int noByte = int(DecodeFault::Kind::NoByte);
    QTest::newRow("ESC") << u"A<ESC>B"_qs << token << u"<ESC>"_qs;
    QTest::newRow("after good tokens") << u"<STX><65>x<stx>"_qs << token << u"<stx>"_qs;
    QTest::newRow("comparison text") << u"1 < 2 and 3 > 2"_qs << token << u"< 2 and 3 >"_qs;
    QTest::newRow("'<' inside: up to the next '>'") << u"ab<<65>"_qs << token << u"<<65>"_qs;
    QTest::newRow("opened by a decoded '<'") << u"x<60>ESC>"_qs << token << u"<60>ESC>"_qs;
    QTest::newRow("a named token inside") << u"<<STX>>"_qs << token << u"<<STX>>"_qs;
    QTest::newRow("the first of two") << u"<300><400>"_qs << token << u"<300>"_qs;
    QTest::newRow("empty") << u"a<>"_qs << token << u"<>"_qs;
    QTest::newRow("a token before a character without a byte")
        << u"\u0142<300>"_qs << token << u"<300>"_qs;
    QTest::newRow("character without a byte") << u"AB\u65E5<65>"_qs << noByte << u"\u65E5"_qs;
    QTest::newRow("beyond the BMP") << u"A\U0001F600"_qs << noByte << u"\U0001F600"_qs;
    QTest::newRow("lone surrogate")
        << (u"A"_qs + QChar(0xD800) + u"B"_qs) << noByte << QString(QChar(0xD800));
    QTest::newRow("lone surrogate at the end")
        << (u"AB"_qs + QChar(0xD83D)) << noByte << QString(QChar(0xD83D));
    QTest::newRow("'<' without '>' is sent as it is") << u"a<b"_qs << -1 << QString();
    QTest::newRow("good tokens") << u"<STX>A<3>"_qs << -1 << QString();
    QTest::newRow("odd hex token")
        << u"<0x01 0><0x41>"_qs << int(DecodeFault::Kind::OddHex) << u"<0x01 0>"_qs;
    QTest::newRow("hex left open") << u"A<0x01 03"_qs << int(DecodeFault::Kind::OpenHex)
                                   << u"<0x01 03"_qs;
    QTest::newRow("no hex digit: a '<'")
        << u"<0x41<65>"_qs << int(DecodeFault::Kind::NotHexDigit) << u"<0x41<65>"_qs;
    QTest::newRow("a blank after 0x") << u"<0x 41>"_qs << token << u"<0x 41>"_qs;
    QTest::newRow("final bytes inside a later pair")
        << u"<0x36>x<<0x36>>"_qs << token << u"<<0x36>>"_qs;
}

// Where a text cannot be sent is told as the user wrote it.
void tst_Tokens::faultIsNamed()
{
    QFETCH(QString, text);
    QFETCH(int, kind);
    QFETCH(QString, atFault);
    DecodeFault fault{DecodeFault::Kind::NoByte, -7, -7};
    const auto bytes = DecodeToBytes(text, &fault);
    QCOMPARE(bytes.has_value(), kind < 0);
    QCOMPARE(DecodeToBytes(text).has_value(), kind < 0);
    if (kind < 0) {
        QCOMPARE(*bytes, *Codec::toBytes(*DecodeTokens(text)));
        QCOMPARE(fault.start, -7); // untouched
        return;
    }
    QCOMPARE(int(fault.kind), kind);
    QCOMPARE(text.mid(fault.start, fault.length), atFault);
    if (kind == int(DecodeFault::Kind::Token)) {
        DecodeFault decodeOnly;
        QVERIFY(!DecodeTokens(text, &decodeOnly));
        QCOMPARE(decodeOnly.start, fault.start);
        QCOMPARE(decodeOnly.length, fault.length);
    }
}

void tst_Tokens::replaceNamedTokens_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("all eight") << u"<STX><ETX><EOT><ENQ><ACK><LF><CR><NAK>"_qs
                               << codes({2, 3, 4, 5, 6, 10, 13, 21});
    QTest::newRow("NUL is not sent by name") << u"<NUL>"_qs << u"<NUL>"_qs;
    QTest::newRow("case-sensitive") << u"<stx><Stx>"_qs << u"<stx><Stx>"_qs;
    QTest::newRow("nested brackets") << u"<<STX>>"_qs << (u"<"_qs + codes({2}) + u">"_qs);
    QTest::newRow("numeric tokens stay") << u"<2><STX>"_qs << (u"<2>"_qs + codes({2}));
    QTest::newRow("one pass only") << u"<<LF>CR>"_qs << (u"<"_qs + codes({10}) + u"CR>"_qs);
}

void tst_Tokens::replaceNamedTokens()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(ReplaceNamedTokens(text), expected);
}

void tst_Tokens::encode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("spelled"); // every control character as a token
    QTest::newRow("telegram") << codes({2, 65, 3, 13, 10}) << u"<STX>A<ETX><CR><LF>"_qs
                              << u"<STX>A<ETX><CR><LF>"_qs;
    QTest::newRow("NUL") << codes({0}) << u"<NUL>"_qs << u"<NUL>"_qs;
    QTest::newRow("all nine") << codes({0, 2, 3, 4, 5, 6, 10, 13, 21})
                              << u"<NUL><STX><ETX><EOT><ENQ><ACK><LF><CR><NAK>"_qs
                              << u"<NUL><STX><ETX><EOT><ENQ><ACK><LF><CR><NAK>"_qs;
    QTest::newRow("TAB and ESC stay") << codes({9, 27}) << codes({9, 27}) << u"<9><27>"_qs;
    QTest::newRow("SOH, US, DEL") << codes({1, 31, 127}) << codes({1, 31, 127})
                                  << u"<1><31><127>"_qs;
    QTest::newRow("upper half stays") << codes({0x80, 0x81, 0x9D, 0xA0, 0xFF})
                                      << codes({0x80, 0x81, 0x9D, 0xA0, 0xFF})
                                      << codes({0x80, 0x81, 0x9D, 0xA0, 0xFF});
    QTest::newRow("brackets stay") << u"<2>"_qs << u"<2>"_qs << u"<2>"_qs;
    QTest::newRow("empty") << QString() << QString() << QString();
}

void tst_Tokens::encode()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QFETCH(QString, spelled);
    QCOMPARE(EncodeControlChars(text), expected);
    QCOMPARE(ReplaceControlChars(text), expected);
    QCOMPARE(SpellControlChars(text), spelled);
}

void tst_Tokens::encodeLeavesOtherCodesAlone()
{
    const QList<int> shown = {0, 2, 3, 4, 5, 6, 10, 13, 21};
    for (int code = 0; code < 256; ++code) {
        if (shown.contains(code))
            continue;
        const QString ch = codes({code});
        QCOMPARE(EncodeControlChars(ch), ch);
    }
}

// Every byte but NUL and the two brackets comes back after a display round
// trip; NUL does not, since "<NUL>" is no sending token. Spelled, every byte but
// the brackets comes back, and no control character is left.
void tst_Tokens::encodedControlCharsDecodeBack()
{
    QString all;
    for (int code = 1; code < 256; ++code) {
        if (code != '<' && code != '>')
            all += codes({code});
    }
    QCOMPARE(DecodeTokens(EncodeControlChars(all)), std::optional(all));
    QCOMPARE(DecodeTokens(EncodeControlChars(codes({0}))), kFails);
    const QString spelled = SpellControlChars(QString(codes({0}) + all));
    QCOMPARE(DecodeTokens(spelled.mid(5)), std::optional(all));
    for (const QChar ch : spelled)
        QVERIFY(ch.unicode() >= 0x20 && ch.unicode() != 0x7F);
    // The saved form sends back every byte; NUL and the brackets are tokens.
    const QString every = codes({0, '<', '>'}) + all;
    QCOMPARE(spellSavedForm(every).left(18), u"<0><0x3C><0x3E><1>"_qs);
    QCOMPARE(DecodeTokens(spellSavedForm(every)), std::optional(every));
}

void tst_Tokens::charFromCode_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("expected");
    QTest::newRow("NUL") << 0 << codes({0});
    QTest::newRow("A") << 65 << u"A"_qs;
    QTest::newRow("euro") << 128 << QString(QChar(0x20AC));
    QTest::newRow("unassigned 0x8D") << 0x8D << QString(QChar(0x8D));
    QTest::newRow("y diaeresis") << 255 << QString(QChar(0xFF));
    QTest::newRow("below range") << -1 << QString();
    QTest::newRow("above range") << 256 << QString();
    QTest::newRow("far above") << 0x20AC << QString();
}

void tst_Tokens::charFromCode()
{
    QFETCH(int, code);
    QFETCH(QString, expected);
    QCOMPARE(fkt_ToolsCharFromCode(code), expected);
}

void tst_Tokens::charFromCodeNeverReports()
{
    QStringList reported;
    setReportHook([&](const QString &, const QString &text) { reported << text; });
    for (int code = -300; code < 600; ++code)
        fkt_ToolsCharFromCode(code);
    setReportHook({});
    QCOMPARE(reported, QStringList());
}

QTEST_GUILESS_MAIN(tst_Tokens)
#include "tst_tokens.moc"
