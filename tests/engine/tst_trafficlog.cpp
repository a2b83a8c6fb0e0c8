#include "SavedLogReader.h"

#include "engine/LogFile.h"
#include "engine/TrafficLog.h"
#include "text/Codec.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QTest>

// The log keeps the bytes of every line once; the text view, the hex view and
// the saved form are made from them.
class tst_TrafficLog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void viewsOfALine_data();
    void viewsOfALine();
    void savedFormGivesBackTheBytes_data();
    void savedFormGivesBackTheBytes();
    void rawLinesAreNotCopied();
    void modelContract();
};

namespace
{

using Form = TrafficLog::Form;
using TextForm = TrafficLog::TextForm;

const QDateTime kTime(QDate(2026, 12, 7), QTime(9, 5, 3, 7), Qt::UTC);

QString codes(std::initializer_list<int> list)
{
    QString text;
    for (int code : list)
        text += Codec::charFromByte(uchar(code));
    return text;
}

} // namespace

void tst_TrafficLog::viewsOfALine_data()
{
    QTest::addColumn<bool>("sent");
    QTest::addColumn<QString>("content");
    QTest::addColumn<int>("form");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");    // the text view's content
    QTest::addColumn<QString>("spelled"); // what is read out
    QTest::addColumn<QString>("hex");
    const int raw = int(TextForm::Raw);
    const int tokens = int(TextForm::Tokens);
    const int typed = int(TextForm::Typed);
    QTest::newRow("received, raw")
        << false << codes({2, 'A', 13}) << raw << QString() << codes({2, 'A', 13}) << "<STX>A<CR>"
        << "02 41 0D";
    QTest::newRow("received, tokens") << false << codes({2, 'A', 27, 0}) << tokens << QString()
                                      << codes({'<', 'S', 'T', 'X', '>', 'A', 27}) + "<NUL>"
                                      << "<STX>A<27><NUL>"
                                      << "02 41 1B 00";
    QTest::newRow("received text '<STX>', tokens")
        << false << "<STX>" << tokens << QString() << "<STX>"
        << "<STX>"
        << "3C 53 54 58 3E";
    QTest::newRow("sent as typed")
        << true << codes({1, 3, 0xC4, 0x0B}) << typed << "<0x01 03><0xC4 0B>"
        << "<0x01 03><0xC4 0B>"
        << "<0x01 03><0xC4 0B>"
        << "01 03 C4 0B";
    QTest::newRow("typed as its tokens say") << true << codes({2, 'A', 3}) << typed << "<STX>A<ETX>"
                                             << "<STX>A<ETX>"
                                             << "<STX>A<ETX>"
                                             << "02 41 03";
    QTest::newRow("upper half") << false << codes({0x80, 0xFF, 0x81}) << tokens << QString()
                                << codes({0x80, 0xFF, 0x81}) << codes({0x80, 0xFF, 0x81})
                                << "80 FF 81";
    QTest::newRow("empty") << false << QString() << tokens << QString() << QString() << QString()
                           << QString();
}

void tst_TrafficLog::viewsOfALine()
{
    QFETCH(bool, sent);
    QFETCH(QString, content);
    QFETCH(int, form);
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(QString, spelled);
    QFETCH(QString, hex);
    TrafficLog log;
    const auto direction = sent ? TrafficLog::Direction::Sent : TrafficLog::Direction::Received;
    log.AppendTrafficLine(direction, content, kTime, TextForm(form), typed);
    const QString prefix =
        sent ? QStringLiteral("09:05:03.007  [OUT]  ") : QStringLiteral("09:05:03.007  [IN]   ");
    QCOMPARE(log.line(0), prefix + text);
    QCOMPARE(log.line(0, Form::Text), prefix + text);
    QCOMPARE(log.data(log.index(0)).toString(), prefix + text);
    QCOMPARE(log.spelledLine(0), prefix + spelled);
    QCOMPARE(log.line(0, Form::Hex), prefix + hex);
    QCOMPARE(log.shownBytes(0, Form::Hex), (prefix + hex).toLatin1());
    QCOMPARE(log.lineBytes(0), *Codec::toBytes(QString(prefix + content)));
    QCOMPARE(log.longestLineLength(), prefix.size() + text.size());
    QCOMPARE(log.longestLineLength(Form::Text), prefix.size() + text.size());
    QCOMPARE(log.longestLineLength(Form::Hex), prefix.size() + hex.size());
    // A shorter line after it leaves the longest; clearing forgets it.
    log.AppendTrafficLine(direction, QString(), kTime);
    QCOMPARE(log.longestLineLength(Form::Hex), prefix.size() + hex.size());
    QCOMPARE(log.line(1, Form::Hex), prefix);
    log.clear();
    QCOMPARE(log.longestLineLength(Form::Hex), 0);
    QCOMPARE(log.longestLineLength(), 0);
}

void tst_TrafficLog::savedFormGivesBackTheBytes_data()
{
    QTest::addColumn<int>("form");
    QTest::addColumn<int>("maxLength");
    QTest::newRow("raw, short lines") << int(TextForm::Raw) << 40;
    QTest::newRow("tokens, short lines") << int(TextForm::Tokens) << 40;
    QTest::newRow("typed, short lines") << int(TextForm::Typed) << 40;
    QTest::newRow("tokens, blocks past 2,048") << int(TextForm::Tokens) << 5000;
}

// A single reading from left to right of each saved line (every token one
// byte, every other character its byte) gives back exactly the bytes of its
// log line, whatever bytes came and however the text view shows them.
void tst_TrafficLog::savedFormGivesBackTheBytes()
{
    QFETCH(int, form);
    QFETCH(int, maxLength);
    QRandomGenerator random(20220 + quint32(form) * 31 + quint32(maxLength));
    TrafficLog log;
    QList<QByteArray> sent;
    for (int i = 0; i < 400; ++i) {
        QByteArray bytes(random.bounded(maxLength + 1), Qt::Uninitialized);
        for (char &b : bytes) {
            // Brackets, letters of the named tokens and control codes weighted up.
            static const char kLikely[] = "<>STXNULCR0123456789\x02\x03\x00\x0D\x0A";
            b = random.bounded(3) == 0 ? kLikely[random.bounded(int(sizeof kLikely) - 1)]
                                       : char(random.bounded(256));
        }
        sent << bytes;
        const auto direction =
            i % 2 ? TrafficLog::Direction::Sent : TrafficLog::Direction::Received;
        log.AppendTrafficLine(direction, Codec::toText(bytes), kTime, TextForm(form),
                              QStringLiteral("<typed %1>").arg(i));
    }
    const QByteArray file = LogFile::text(log);
    QVERIFY(file.endsWith('\n'));
    const QList<QByteArray> lines = file.chopped(1).split('\n');
    QCOMPARE(lines.size(), sent.size());
    for (int i = 0; i < lines.size(); ++i) {
        const auto back = readSavedLogLine(QString::fromUtf8(lines[i]));
        QVERIFY2(back.has_value(), lines[i].constData());
        QCOMPARE(back->left(TrafficLog::kPrefixLength), log.lineBytes(i).left(21));
        QCOMPARE(back->mid(TrafficLog::kPrefixLength), sent[i]);
    }
}

// A raw line is drawn from the bytes the log keeps, not from a copy.
void tst_TrafficLog::rawLinesAreNotCopied()
{
    TrafficLog log;
    log.AppendTrafficLine(TrafficLog::Direction::Received, QString(2048, u'x'), kTime);
    QCOMPARE(log.shownBytes(0, Form::Text).constData(), log.lineBytes(0).constData());
}

void tst_TrafficLog::modelContract()
{
    TrafficLog log;
    QAbstractItemModelTester tester(&log, QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (int i = 0; i < 5; ++i)
        log.AppendTrafficLine(TrafficLog::Direction::Received, QStringLiteral("x%1").arg(i), kTime,
                              TextForm::Tokens);
    QCOMPARE(log.rowCount(), 5);
    QCOMPARE(log.selectedIndex(), 4);
    log.clear();
    QCOMPARE(log.rowCount(), 0);
    QCOMPARE(log.selectedIndex(), -1);
}

QTEST_GUILESS_MAIN(tst_TrafficLog)
#include "tst_trafficlog.moc"
