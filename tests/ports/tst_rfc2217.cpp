// The Telnet layer and the serial settings of RFC 2217, byte for byte, as a
// server such as ser2net sends them.

#include "ports/Rfc2217.h"
#include "ports/TelnetCodec.h"

#include <QTest>

Q_DECLARE_METATYPE(std::optional<qint64>)

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (const int v : values)
        out.append(char(v));
    return out;
}

constexpr int IAC = 255, SB = 250, SE = 240, WILL = 251, WONT = 252, DO = 253, DONT = 254;
constexpr int COM = 44, BINARY = 0, ECHO = 1, SGA = 3, TTYPE = 24;

// What ser2net says first on a telnet(rfc2217) accepter.
const QByteArray kServerGreeting = bytes({IAC, WILL, SGA, IAC, DO, SGA, IAC, WILL, ECHO, IAC, DONT,
                                          ECHO, IAC, DO, BINARY, IAC, WILL, BINARY, IAC, DO, COM});

} // namespace

class tst_Rfc2217 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Telnet
    void greetingAsksForTheOptions();
    void decoding_data();
    void decoding();
    void decodingInPieces();
    void negotiation_data();
    void negotiation();
    void answersNeverOutgrowWhatCameIn();
    void escaping_data();
    void escaping();
    // RFC 2217
    void lineCommands_data();
    void lineCommands();
    void answers_data();
    void answers();
    void refusedSettings_data();
    void refusedSettings();
    void handshakes_data();
    void handshakes();
    void unansweredSettings_data();
    void unansweredSettings();
};

void tst_Rfc2217::greetingAsksForTheOptions()
{
    TelnetCodec codec;
    QCOMPARE(codec.greeting(), bytes({IAC, WILL, BINARY, IAC, WILL, COM, IAC, DO, BINARY, IAC, DO, SGA}));
    QCOMPARE(codec.comPortControl(), TelnetCodec::Agreement::Pending);
}

void tst_Rfc2217::decoding_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("subnegotiations"); // of the COM port option
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("plain bytes") << QByteArray("hello\r\n") << QByteArray("hello\r\n") << 0
                                 << QByteArray();
    QTest::newRow("NUL and CR pass in binary mode")
        << QByteArray("\r\0x", 3) << QByteArray("\r\0x", 3) << 0 << QByteArray();
    QTest::newRow("doubled IAC is one 255")
        << bytes({'a', IAC, IAC, 'b'}) << bytes({'a', 255, 'b'}) << 0 << QByteArray();
    QTest::newRow("two 255 in a row")
        << bytes({IAC, IAC, IAC, IAC}) << bytes({255, 255}) << 0 << QByteArray();
    QTest::newRow("NOP and go-ahead are dropped")
        << bytes({'a', IAC, 241, 'b', IAC, 249}) << QByteArray("ab") << 0 << QByteArray();
    QTest::newRow("a notice between data") << bytes({'a', IAC, SB, COM, 107, 0x30, IAC, SE, 'b'})
                                           << QByteArray("ab") << 1 << QByteArray();
    QTest::newRow("255 inside a subnegotiation")
        << bytes({IAC, SB, COM, 101, 0, 0, IAC, IAC, 0, IAC, SE, 'z'}) << QByteArray("z") << 1
        << QByteArray();
    QTest::newRow("another option's subnegotiation is dropped")
        << bytes({IAC, SB, TTYPE, 1, IAC, SE, 'z'}) << QByteArray("z") << 0 << QByteArray();
    QTest::newRow("an empty subnegotiation is dropped")
        << bytes({IAC, SB, COM, IAC, SE}) << QByteArray() << 0 << QByteArray();
    QByteArray overlong = bytes({IAC, SB, COM, 100});
    overlong.append(QByteArray(TelnetCodec::kMostSubnegotiation + 10, 'x'));
    overlong.append(bytes({IAC, SE, 'z'}));
    QTest::newRow("an overlong subnegotiation is dropped whole")
        << overlong << QByteArray("z") << 0 << QByteArray();
    QTest::newRow("a subnegotiation broken by a command ends it")
        << bytes({IAC, SB, COM, 101, IAC, 241, 'z'}) << QByteArray("z") << 0 << QByteArray();
    // A break-off once swallowed the command's byte, so the rest of the
    // command came out as data and the rate answer was lost.
    QTest::newRow("a subnegotiation broken by another one, which counts")
        << bytes({'A', IAC, SB,  COM, 1,   IAC, SB,  COM, 101, 0, 0,    0x25, 0x80, IAC, SE, 'B',
                  IAC, SB,  COM, 1,   IAC, SB,  COM, 101, 0,   0, 0x4B, 0,    IAC,  SE,  'C'})
        << QByteArray("ABC") << 2 << QByteArray();
    QTest::newRow("a subnegotiation broken by an offer, which is answered")
        << bytes({'A', IAC, SB,  COM, 1,   IAC, WILL, 5,  'B',   IAC, SB,
                  COM, 1,   IAC, SB,  COM, 1,   IAC,  DO, TTYPE, 'C'})
        << QByteArray("ABC") << 0 << bytes({IAC, DONT, 5, IAC, WONT, TTYPE});
    QTest::newRow("a subnegotiation without its option")
        << bytes({'A', IAC, SB, IAC, WILL, 5, 'B'}) << QByteArray("AB") << 0
        << bytes({IAC, DONT, 5});
    QTest::newRow("option 255's subnegotiation is skipped whole")
        << bytes({0x41, IAC, SB, IAC, IAC, 0x2c, 0x2c, IAC, SE, 0x42}) << QByteArray("AB") << 0
        << QByteArray();
    QTest::newRow("a subnegotiation broken by a stray SB ends before its own SE")
        << bytes({IAC, SB, TTYPE, 'x', IAC, SB, COM, 107, 0x30, IAC, SE, 'D'}) << QByteArray("D")
        << 1 << QByteArray();
    QTest::newRow("ser2net's greeting carries no data")
        << kServerGreeting << QByteArray() << 0
        << bytes({IAC, DO, SGA, IAC, WILL, SGA, IAC, DO, ECHO, IAC, WILL, BINARY, IAC, DO, BINARY,
                  IAC, WILL, COM});
}

void tst_Rfc2217::decoding()
{
    QFETCH(QByteArray, received);
    QFETCH(QByteArray, data);
    QFETCH(int, subnegotiations);
    QFETCH(QByteArray, reply);
    TelnetCodec codec;
    TelnetCodec::Decoded out;
    codec.decode(received.constData(), received.size(), out);
    QCOMPARE(out.data, data);
    QCOMPARE(out.comPort.size(), subnegotiations);
    QCOMPARE(out.reply, reply);
    // Byte by byte: the same.
    TelnetCodec single;
    TelnetCodec::Decoded pieces;
    for (const char byte : received)
        single.decode(&byte, 1, pieces);
    QCOMPARE(pieces.data, data);
    QCOMPARE(pieces.comPort, out.comPort);
    QCOMPARE(pieces.reply, reply);
}

// Every byte 0-255 with its IAC doubled, cut at every length: a command
// split between two reads is still taken whole.
void tst_Rfc2217::decodingInPieces()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QByteArray stream = kServerGreeting + TelnetCodec::escape(all) +
                              bytes({IAC, SB, COM, 101, 0, 0, 0x25, 0x80, IAC, SE}) +
                              TelnetCodec::escape(all);
    for (qsizetype piece = 1; piece <= 7; ++piece) {
        TelnetCodec codec;
        TelnetCodec::Decoded out;
        for (qsizetype at = 0; at < stream.size(); at += piece)
            codec.decode(stream.constData() + at, std::min(piece, stream.size() - at), out);
        QCOMPARE(out.data, all + all);
        QCOMPARE(out.comPort, QList<QByteArray>{bytes({101, 0, 0, 0x25, 0x80})});
    }
}

void tst_Rfc2217::negotiation_data()
{
    QTest::addColumn<bool>("greeted"); // the client's requests went out first
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("agreement"); // TelnetCodec::Agreement
    QTest::newRow("ser2net's greeting after ours")
        << true << kServerGreeting << bytes({IAC, WILL, SGA, IAC, DO, ECHO}) << int(TelnetCodec::Agreement::Yes);
    QTest::newRow("ser2net's greeting before ours")
        << false << kServerGreeting
        << bytes({IAC, DO, SGA, IAC, WILL, SGA, IAC, DO, ECHO, IAC, WILL, BINARY, IAC, DO, BINARY, IAC,
                  WILL, COM})
        << int(TelnetCodec::Agreement::Yes);
    QTest::newRow("the option refused") << true << bytes({IAC, DONT, COM}) << QByteArray()
                                        << int(TelnetCodec::Agreement::No);
    QTest::newRow("the option refused after it was agreed")
        << true << bytes({IAC, DO, COM, IAC, DONT, COM}) << bytes({IAC, WONT, COM})
        << int(TelnetCodec::Agreement::No);
    QTest::newRow("an option we do not perform") << true << bytes({IAC, DO, TTYPE})
                                                 << bytes({IAC, WONT, TTYPE})
                                                 << int(TelnetCodec::Agreement::Pending);
    QTest::newRow("an option the server may not perform") << true << bytes({IAC, WILL, TTYPE})
                                                          << bytes({IAC, DONT, TTYPE})
                                                          << int(TelnetCodec::Agreement::Pending);
    // An end that answered every request would loop for ever with another
    // one that does the same.
    QTest::newRow("an agreed request repeated is not answered again")
        << true << bytes({IAC, DO, COM, IAC, DO, COM, IAC, WILL, ECHO, IAC, WILL, ECHO})
        << bytes({IAC, DO, ECHO}) << int(TelnetCodec::Agreement::Yes);
    // A server flooding the program with a request it refused would
    // otherwise get an answer to each, piling up if it reads none.
    QTest::newRow("a refused request repeated is not answered again")
        << true
        << bytes({IAC, DO, TTYPE, IAC, DO, TTYPE, IAC, WILL, TTYPE, IAC, DO, TTYPE, IAC, WILL,
                  TTYPE, IAC, DO, 5})
        << bytes({IAC, WONT, TTYPE, IAC, DONT, TTYPE, IAC, WONT, 5})
        << int(TelnetCodec::Agreement::Pending);
    QTest::newRow("the option switched on, off and on again is answered each time")
        << true << bytes({IAC, DO, COM, IAC, DONT, COM, IAC, DO, COM, IAC, DO, COM})
        << bytes({IAC, WONT, COM, IAC, WILL, COM}) << int(TelnetCodec::Agreement::Yes);
    QTest::newRow("switching off what is off is not answered")
        << true << bytes({IAC, WONT, ECHO, IAC, DONT, TTYPE}) << QByteArray()
        << int(TelnetCodec::Agreement::Pending);
    QTest::newRow("echo switched off again") << true << bytes({IAC, WILL, ECHO, IAC, WONT, ECHO})
                                             << bytes({IAC, DO, ECHO, IAC, DONT, ECHO})
                                             << int(TelnetCodec::Agreement::Pending);
}

void tst_Rfc2217::negotiation()
{
    QFETCH(bool, greeted);
    QFETCH(QByteArray, received);
    QFETCH(QByteArray, reply);
    QFETCH(int, agreement);
    TelnetCodec codec;
    if (greeted)
        codec.greeting();
    TelnetCodec::Decoded out;
    codec.decode(received.constData(), received.size(), out);
    if (!greeted)
        out.reply += codec.greeting(); // asked for only what is not agreed yet
    QCOMPARE(out.reply, reply);
    QCOMPARE(int(codec.comPortControl()), agreement);
    QCOMPARE(out.data, QByteArray());
}

// The port reads no more than it has room for answers: each call answers
// with at most what it was given, plus the start of a command split from the
// call before.
void tst_Rfc2217::answersNeverOutgrowWhatCameIn()
{
    QByteArray flood;
    quint32 state = 2463534242u;
    for (int i = 0; i < 20000; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        // Requests that switch agreed options on and off, refused ones, and
        // stray bytes between them.
        const int verb = WILL + int(state % 4);
        const int option = int((state >> 8) % 6);
        flood += bytes({IAC, verb, option});
        if (state % 7 == 0)
            flood += bytes({IAC});
    }
    for (const qsizetype piece : {1, 2, 3, 4, 5, 64}) {
        TelnetCodec codec;
        codec.greeting();
        qsizetype answered = 0;
        for (qsizetype at = 0; at < flood.size(); at += piece) {
            TelnetCodec::Decoded out;
            const qsizetype size = std::min(piece, flood.size() - at);
            codec.decode(flood.constData() + at, size, out);
            QVERIFY2(
                out.reply.size() <= size + 2,
                qPrintable(
                    QStringLiteral("%1 bytes answered to %2").arg(out.reply.size()).arg(size)));
            answered += out.reply.size();
        }
        QVERIFY(answered > 1000); // switching agreed options is answered each time
    }
}

void tst_Rfc2217::escaping_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("no IAC") << QByteArray("ab\r") << QByteArray("ab\r");
    QTest::newRow("one IAC") << bytes({'a', 255}) << bytes({'a', IAC, IAC});
    QTest::newRow("IAC only") << bytes({255, 255, 255}) << bytes({IAC, IAC, IAC, IAC, IAC, IAC});
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void tst_Rfc2217::escaping()
{
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, sent);
    QCOMPARE(TelnetCodec::escape(data), sent);
    TelnetCodec codec;
    TelnetCodec::Decoded out;
    codec.decode(sent.constData(), sent.size(), out);
    QCOMPARE(out.data, data); // and back
}

void tst_Rfc2217::lineCommands_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QByteArray>("commands");
    const auto line = [](std::initializer_list<int> baud, int size, int parity, int stop) {
        QByteArray out = bytes({IAC, SB, COM, 1});
        for (const int b : baud) {
            out.append(char(b));
            if (b == 255)
                out.append(char(b));
        }
        out += bytes({IAC, SE, IAC, SB, COM, 2, size, IAC, SE, IAC, SB, COM, 3, parity, IAC, SE, IAC,
                      SB, COM, 4, stop, IAC, SE});
        return out;
    };
    QTest::newRow("9600,N,8,1") << "9600,N,8,1" << line({0, 0, 0x25, 0x80}, 8, 1, 1);
    QTest::newRow("19200,E,7,1") << "19200,E,7,1" << line({0, 0, 0x4B, 0x00}, 7, 3, 1);
    QTest::newRow("921600,O,8,2") << "921600,O,8,2" << line({0, 0x0E, 0x10, 0x00}, 8, 2, 2);
    QTest::newRow("mark, space, 1.5") << "300,M,5,1.5" << line({0, 0, 0x01, 0x2C}, 5, 4, 3);
    QTest::newRow("space parity") << "300,S,7,2" << line({0, 0, 0x01, 0x2C}, 7, 5, 2);
    // 65535 baud: the rate's bytes are 255 and doubled like data.
    QTest::newRow("a rate byte of 255 doubled") << "65535,N,8,1" << line({0, 0, 255, 255}, 8, 1, 1);
}

void tst_Rfc2217::lineCommands()
{
    QFETCH(QString, settings);
    QFETCH(QByteArray, commands);
    QCOMPARE(Rfc2217::lineCommands(parsePortSettings(settings)), commands);
}

void tst_Rfc2217::answers_data()
{
    QTest::addColumn<QByteArray>("subnegotiation");
    QTest::addColumn<std::optional<qint64>>("baud");
    QTest::addColumn<int>("dataBits");    // -1: no answer
    QTest::addColumn<int>("flowControl"); // -1: no answer
    QTest::addColumn<int>("notice");      // Rfc2217::Notice
    const std::optional<qint64> none;
    const int hold = int(Rfc2217::Notice::Suspend), resume = int(Rfc2217::Notice::Resume),
              quiet = int(Rfc2217::Notice::None);
    QTest::newRow("baud rate") << bytes({101, 0, 0, 0x4B, 0}) << std::optional<qint64>(19200) << -1
                               << -1 << quiet;
    QTest::newRow("baud rate above 2^31") << bytes({101, 0x80, 0, 0, 0})
                                          << std::optional<qint64>(0x80000000LL) << -1 << -1 << quiet;
    QTest::newRow("baud rate cut short") << bytes({101, 0, 0x4B, 0}) << none << -1 << -1 << quiet;
    QTest::newRow("data bits") << bytes({102, 7}) << none << 7 << -1 << quiet;
    QTest::newRow("flow control") << bytes({105, 3}) << none << -1 << 3 << quiet;
    QTest::newRow("DTR is not flow control") << bytes({105, 8}) << none << -1 << -1 << quiet;
    QTest::newRow("inbound flow is not kept") << bytes({105, 16}) << none << -1 << -1 << quiet;
    QTest::newRow("the client's code is no answer") << bytes({2, 7}) << none << -1 << -1 << quiet;
    QTest::newRow("modem state notice") << bytes({107, 0x30}) << none << -1 << -1 << quiet;
    QTest::newRow("signature") << QByteArray("dser2net") << none << -1 << -1 << quiet;
    QTest::newRow("suspend") << bytes({108}) << none << -1 << -1 << hold;
    QTest::newRow("resume") << bytes({109}) << none << -1 << -1 << resume;
    QTest::newRow("suspend with the client's code") << bytes({8}) << none << -1 << -1 << hold;
}

void tst_Rfc2217::answers()
{
    QFETCH(QByteArray, subnegotiation);
    QFETCH(std::optional<qint64>, baud);
    QFETCH(int, dataBits);
    QFETCH(int, flowControl);
    QFETCH(int, notice);
    Rfc2217::Answers answers;
    QCOMPARE(int(Rfc2217::take(subnegotiation, answers)), notice);
    QCOMPARE(answers.baud, baud);
    QCOMPARE(answers.dataBits.value_or(-1), dataBits);
    QCOMPARE(answers.flowControl.value_or(-1), flowControl);
    QVERIFY(!answers.parity && !answers.stopBits);
}

void tst_Rfc2217::refusedSettings_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QList<QByteArray>>("answered");
    QTest::addColumn<QString>("refusal"); // "name id: wanted / answered"; empty: all taken
    const auto rate = [](qint64 baud) {
        return bytes({101, int(baud >> 24) & 255, int(baud >> 16) & 255, int(baud >> 8) & 255,
                      int(baud) & 255});
    };
    const QByteArray eight = bytes({102, 8}), none = bytes({103, 1}), one = bytes({104, 1});
    QTest::newRow("all taken") << "9600,N,8,1" << QList<QByteArray>{rate(9600), eight, none, one}
                               << QString();
    QTest::newRow("rate within 2%") << "56000,N,8,1"
                                    << QList<QByteArray>{rate(57000), eight, none, one} << QString();
    QTest::newRow("rate off by more than 2%") << "56000,N,8,1"
                                              << QList<QByteArray>{rate(57600), eight, none, one}
                                              << "1911: 56000 / 57600";
    QTest::newRow("data bits") << "9600,E,7,1"
                               << QList<QByteArray>{rate(9600), eight, bytes({103, 3}), one}
                               << "1912: 7 / 8";
    QTest::newRow("parity") << "9600,E,8,1" << QList<QByteArray>{rate(9600), eight, none, one}
                            << "1913: E / N";
    QTest::newRow("parity, an unknown value") << "9600,O,8,1"
                                              << QList<QByteArray>{rate(9600), eight, bytes({103, 9}), one}
                                              << "1913: O / 9";
    QTest::newRow("stop bits") << "9600,N,8,2" << QList<QByteArray>{rate(9600), eight, none, one}
                               << "1914: 2 / 1";
    QTest::newRow("1.5 stop bits") << "9600,N,5,1.5"
                                   << QList<QByteArray>{rate(9600), bytes({102, 5}), none, bytes({104, 2})}
                                   << "1914: 1.5 / 2";
    QTest::newRow("the rate is named first")
        << "9600,E,7,2" << QList<QByteArray>{rate(4800), eight, none, one} << "1911: 9600 / 4800";
}

void tst_Rfc2217::refusedSettings()
{
    QFETCH(QString, settings);
    QFETCH(QList<QByteArray>, answered);
    QFETCH(QString, refusal);
    Rfc2217::Answers answers;
    for (const QByteArray &answer : answered)
        Rfc2217::take(answer, answers);
    QVERIFY(answers.lineAnswered());
    const auto refused = Rfc2217::refusedLine(parsePortSettings(settings), answers);
    const QString got = refused ? QStringLiteral("%1: %2 / %3")
                                      .arg(refused->settingNameId)
                                      .arg(refused->wanted, refused->answered)
                                : QString();
    QCOMPARE(got, refusal);
}

void tst_Rfc2217::handshakes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("flowControl"); // -1: none RFC 2217 can ask for
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("none") << 0 << 1 << 1 << QString();
    QTest::newRow("XON/XOFF") << 1 << 2 << 2 << QString();
    QTest::newRow("RTS/CTS") << 2 << 3 << 3 << QString();
    QTest::newRow("RTS/CTS answered with none") << 2 << 3 << 1 << "1915: RTS / None";
    QTest::newRow("XON/XOFF answered with RTS/CTS") << 1 << 2 << 3 << "1915: XOnXoff / RTS";
    QTest::newRow("both at once") << 3 << -1 << 0 << QString();
}

void tst_Rfc2217::handshakes()
{
    QFETCH(int, mode);
    QFETCH(int, flowControl);
    QFETCH(int, answer);
    QFETCH(QString, refusal);
    const auto flow = Rfc2217::flowControlOf(handshakeFromMode(mode));
    QCOMPARE(flow ? int(*flow) : -1, flowControl);
    if (!flow)
        return;
    QCOMPARE(Rfc2217::controlCommand(*flow), bytes({IAC, SB, COM, 5, flowControl, IAC, SE}));
    Rfc2217::Answers answers;
    Rfc2217::take(bytes({105, answer}), answers);
    const auto refused = Rfc2217::refusedFlowControl(*flow, answers);
    const QString got = refused ? QStringLiteral("%1: %2 / %3")
                                      .arg(refused->settingNameId)
                                      .arg(refused->wanted, refused->answered)
                                : QString();
    QCOMPARE(got, refusal);
}

void tst_Rfc2217::unansweredSettings_data()
{
    QTest::addColumn<QString>("settings"); // empty: no line settings asked for
    QTest::addColumn<int>("flowControl");  // -1: none asked for
    QTest::addColumn<QList<QByteArray>>("answered");
    QTest::addColumn<QString>("first"); // "name id: wanted"; empty: all answered
    const QByteArray rate = bytes({101, 0, 0, 0x25, 0x80}), seven = bytes({102, 7}),
                     even = bytes({103, 3}), one = bytes({104, 1}), none = bytes({105, 1});
    QTest::newRow("nothing answered: the rate")
        << "9600,E,7,1" << 1 << QList<QByteArray>{} << "1911: 9600";
    QTest::newRow("the rate answered: the data bits")
        << "9600,E,7,1" << 1 << QList<QByteArray>{rate} << "1912: 7";
    QTest::newRow("the parity") << "9600,E,7,1" << 1 << QList<QByteArray>{rate, seven} << "1913: E";
    QTest::newRow("the stop bits")
        << "9600,O,7,2" << 1 << QList<QByteArray>{rate, seven, bytes({103, 2})} << "1914: 2";
    QTest::newRow("the handshake")
        << "9600,E,7,1" << 3 << QList<QByteArray>{rate, seven, even, one} << "1915: RTS";
    QTest::newRow("all answered") << "9600,E,7,1" << 1
                                  << QList<QByteArray>{rate, seven, even, one, none} << QString();
    QTest::newRow("answered out of order")
        << "9600,E,7,1" << 1 << QList<QByteArray>{none, one, even, rate} << "1912: 7";
    QTest::newRow("the handshake alone")
        << QString() << 2 << QList<QByteArray>{} << "1915: XOnXoff";
    QTest::newRow("the line alone, answered")
        << "9600,E,7,1" << -1 << QList<QByteArray>{rate, seven, even, one} << QString();
}

// The setting a server left without an answer, named when it closes the
// connection over it or lets the wait run out.
void tst_Rfc2217::unansweredSettings()
{
    QFETCH(QString, settings);
    QFETCH(int, flowControl);
    QFETCH(QList<QByteArray>, answered);
    QFETCH(QString, first);
    Rfc2217::Answers answers;
    QVERIFY(!answers.anyAnswered());
    for (const QByteArray &answer : answered)
        Rfc2217::take(answer, answers);
    QCOMPARE(answers.anyAnswered(), !answered.isEmpty());
    const PortSettings line = settings.isEmpty() ? PortSettings{} : parsePortSettings(settings);
    const std::optional<unsigned char> flow =
        flowControl < 0 ? std::nullopt : std::optional<unsigned char>(flowControl);
    const auto left = Rfc2217::unanswered(settings.isEmpty() ? nullptr : &line, flow, answers);
    const QString got =
        left ? QStringLiteral("%1: %2").arg(left->settingNameId).arg(left->wanted) : QString();
    QCOMPARE(got, first);
    if (left)
        QCOMPARE(left->answered, QString());
}

QTEST_GUILESS_MAIN(tst_Rfc2217)
#include "tst_rfc2217.moc"
