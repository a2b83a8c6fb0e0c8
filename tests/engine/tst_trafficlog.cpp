#include "SavedLogReader.h"

#include "app/CommandLine.h"
#include "engine/LineTiming.h"
#include "engine/LogFile.h"
#include "engine/LogSearch.h"
#include "engine/TrafficLog.h"
#include "text/Codec.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

// The log keeps the bytes of every line once; the text view, the hex view and
// the saved form are made from them.
class tst_TrafficLog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void viewsOfALine_data();
    void viewsOfALine();
    void savedFormGivesBackTheBytes_data();
    void savedFormGivesBackTheBytes();
    void rawLinesAreNotCopied();
    void modelContract();
    void timeAroundALine_data();
    void timeAroundALine();
    void savedFileIsDated_data();
    void savedFileIsDated();
    void eventLinesAreNoData();
};

namespace {

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

// Lines given as "OUT 2026-12-07T09:05:03.007", "IN <time> <quiet ms>" (a
// quiet time of -1: a full block) or "EVENT <time> <text>".
void appendLines(TrafficLog &log, const QStringList &lines)
{
    for (const QString &line : lines) {
        const QStringList parts = line.split(u' ');
        const QDateTime utc = QDateTime::fromString(parts.at(1), Qt::ISODateWithMs).toUTC();
        QVERIFY2(utc.isValid(), qPrintable(line));
        if (parts.at(0) == u"OUT")
            log.AppendTrafficLine(TrafficLog::Direction::Sent, QStringLiteral("x"), utc);
        else if (parts.at(0) == u"EVENT")
            log.appendEvent(line.section(u' ', 2), utc);
        else
            log.AppendReceivedLine(QStringLiteral("y"), utc, TextForm::Tokens,
                                   qint16(parts.at(2).toInt()));
    }
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
    const QString prefix = sent ? QStringLiteral("09:05:03.007  [OUT]  ")
                                : QStringLiteral("09:05:03.007  [IN]   ");
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
        const auto direction = i % 2 ? TrafficLog::Direction::Sent
                                     : TrafficLog::Direction::Received;
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

void tst_TrafficLog::timeAroundALine_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("index");
    QTest::addColumn<qint64>("sincePrevious"); // -1: none
    QTest::addColumn<qint64>("reply");         // since the last [OUT]; -1: none
    QTest::addColumn<int>("quiet");
    const QStringList exchange{"OUT 2026-12-07T09:05:03.007Z", "IN 2026-12-07T09:05:03.130Z 100",
                               "IN 2026-12-07T09:05:03.400Z 100", "OUT 2026-12-07T09:05:04.000Z",
                               "IN 2026-12-07T09:05:04.250Z -1"};
    QTest::newRow("the first line") << exchange << 0 << -1LL << -1LL << -1;
    QTest::newRow("a reply") << exchange << 1 << 123LL << 123LL << 100;
    QTest::newRow("a second block: the reply time counts from the [OUT]")
        << exchange << 2 << 270LL << 393LL << 100;
    QTest::newRow("an [OUT] line has no reply time") << exchange << 3 << 600LL << -1LL << -1;
    QTest::newRow("the latest [OUT], a full block") << exchange << 4 << 250LL << 250LL << -1;
    QTest::newRow("across midnight")
        << QStringList{"OUT 2026-12-07T23:59:59.990Z", "IN 2026-12-08T00:00:00.113Z 100"} << 1
        << 123LL << 123LL << 100;
    QTest::newRow("across the year's end, 25 h later")
        << QStringList{"OUT 2026-12-31T23:00:00.000Z", "IN 2027-01-02T00:00:00.001Z 0"} << 1
        << 90000001LL << 90000001LL << 0;
    QTest::newRow("no [OUT] before it")
        << QStringList{"IN 2026-12-07T09:00:00.000Z 50", "IN 2026-12-07T09:00:01.000Z 50"} << 1
        << 1000LL << -1LL << 50;
    QTest::newRow("the port's events pass by")
        << QStringList{"OUT 2026-12-07T09:05:03.007Z",
                       "EVENT 2026-12-07T09:05:03.050Z COM1 lost: x",
                       "IN 2026-12-07T09:05:03.130Z 100"}
        << 2 << 123LL << 123LL << 100;
    QTest::newRow("a stamp from a clock set back")
        << QStringList{"OUT 2026-12-07T09:00:01.000Z", "IN 2026-12-07T09:00:00.990Z 0"} << 1
        << -10LL << -10LL << 0;
}

// From the full stamps the lines keep, not from the time of day they show.
void tst_TrafficLog::timeAroundALine()
{
    QFETCH(QStringList, lines);
    QFETCH(int, index);
    QFETCH(qint64, sincePrevious);
    QFETCH(qint64, reply);
    QFETCH(int, quiet);
    TrafficLog log;
    appendLines(log, lines);
    QCOMPARE(log.utcTime(index),
             QDateTime::fromString(lines.at(index).split(u' ').at(1), Qt::ISODateWithMs));
    const auto timing = lineTiming(log, index);
    QVERIFY(timing.has_value());
    QCOMPARE(timing->sincePrevious.value_or(-1), sincePrevious);
    QCOMPARE(timing->sinceLastSent.value_or(-1), reply);
    QCOMPARE(timing->quietMs, quiet);
    QVERIFY(!lineTiming(log, -1) && !lineTiming(log, log.count()));
    log.clear(); // the stamps go with the lines
    appendLines(log, lines.mid(index, 1));
    QVERIFY(!lineTiming(log, 0)->sincePrevious && !lineTiming(log, 0)->sinceLastSent);
}

void tst_TrafficLog::savedFileIsDated_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QStringList>("file"); // "<date>" stands for the header's
    const QString version = CommandLine::programVersion();
    const QString header = "# Lintrova " + version + "  COM1 = /dev/ttyUSB0  9600 8N1  %1 (UTC)";
    QTest::newRow("one day") << QStringList{"OUT 2026-12-07T09:05:03.007Z",
                                            "IN 2026-12-07T23:59:59.999Z 0"}
                             << "COM1 = /dev/ttyUSB0  9600 8N1"
                             << QStringList{header.arg("2026-12-07"), "09:05:03.007  [OUT]  x",
                                            "23:59:59.999  [IN]   y"};
    QTest::newRow("across midnight and a day without lines")
        << QStringList{"OUT 2026-12-07T23:59:59.990Z", "IN 2026-12-08T00:00:00.113Z 100",
                       "IN 2026-12-08T10:00:00.000Z 100", "OUT 2026-12-10T00:00:00.000Z"}
        << "COM1 = /dev/ttyUSB0  9600 8N1"
        << QStringList{header.arg("2026-12-07"), "23:59:59.990  [OUT]  x", "# 2026-12-08 (UTC)",
                       "00:00:00.113  [IN]   y", "10:00:00.000  [IN]   y", "# 2026-12-10 (UTC)",
                       "00:00:00.000  [OUT]  x"};
    QTest::newRow("no port open") << QStringList{"IN 2027-01-01T00:00:00.000Z 0"} << QString()
                                  << QStringList{"# Lintrova " + version + "  2027-01-01 (UTC)",
                                                 "00:00:00.000  [IN]   y"};
    QTest::newRow("an empty log: today's date")
        << QStringList() << "COM1 = /dev/ttyUSB0  9600 8N1" << QStringList{header.arg("<date>")};
    QTest::newRow("an event: a comment line as it stands")
        << QStringList{"IN 2026-12-07T00:00:00.000Z 0",
                       "EVENT 2026-12-07T00:00:01.000Z COM1 lost: <gone>\r\nfor \u00e4ver"}
        << QString()
        << QStringList{"# Lintrova " + version + "  2026-12-07 (UTC)", "00:00:00.000  [IN]   y",
                       "# 00:00:01.000 COM1 lost: <gone>  for \u00e4ver"};
    QTest::newRow("a line break in the entry stays in the header")
        << QStringList{"IN 2026-12-07T00:00:00.000Z 0"} << "COM1 = a\nb\r  9600 8N1"
        << QStringList{"# Lintrova " + version + "  COM1 = a b   9600 8N1  2026-12-07 (UTC)",
                       "00:00:00.000  [IN]   y"};
}

// A saved file names the program, the port and the date, and marks every new
// UTC day; its log lines stay as they were, none beginning with '#'.
void tst_TrafficLog::savedFileIsDated()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, port);
    QFETCH(QStringList, file);
    TrafficLog log;
    appendLines(log, lines);
    const QDateTime now(QDate(2030, 5, 6), QTime(23, 59, 59, 999), Qt::UTC);
    file.replaceInStrings(QStringLiteral("<date>"), QStringLiteral("2030-05-06"));
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("saved.log"));
    QCOMPARE(LogFile::save(log, path, port, now), 0);
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(saved.readAll()), file.join(u'\n') + u'\n');
    // Copying takes the lines alone.
    QCOMPARE(LogFile::text(log).count('#'),
             qsizetype(lines.filter(QStringLiteral("EVENT")).size()));
}

// An event of the port looks the same in both views, and the times and the
// find pass it by.
void tst_TrafficLog::eventLinesAreNoData()
{
    TrafficLog log;
    appendLines(log, {"OUT 2026-12-07T09:05:03.007Z", "EVENT 2026-12-07T09:05:03.050Z COM1 x y",
                      "IN 2026-12-07T09:05:03.130Z 100"});
    QCOMPARE(log.line(1, Form::Hex), QStringLiteral("# 09:05:03.050 COM1 x y"));
    QCOMPARE(log.longestLineLength(Form::Hex), 23);
    QVERIFY(!lineTiming(log, 1));
    QCOMPARE(LogSearch(QStringLiteral("x"), Form::Text).find(log, 1, false)->row, 0);
    QCOMPARE(LogSearch(QStringLiteral("20 79"), Form::Hex).find(log, 0, false), std::nullopt);
}

QTEST_GUILESS_MAIN(tst_TrafficLog)
#include "tst_trafficlog.moc"
