#include "app/CommandLine.h"

#include <QProcess>
#include <QTest>

#ifndef LINTROVA_PROGRAM
#error "the build passes the path of the program in"
#endif

using CommandLine::Request;

Q_DECLARE_METATYPE(CommandLine::Request)

class tst_CommandLine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void reading_data();
    void reading();
    void program_data();
    void program();
};

// refusal: a part of the message that must name what was wrong; empty for a
// request that is not refused.
void tst_CommandLine::reading_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Request>("request");
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<bool>("displayNamed");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<int>("comNumber");

    const auto row = [](const char *name, const QStringList &arguments, Request request,
                        const QString &refusal = {}, bool displayNamed = false,
                        const QString &profile = {}, int comNumber = 0) {
        QTest::newRow(name) << arguments << request << refusal << displayNamed << profile
                            << comNumber;
    };
    // Lintrova's own.
    row("nothing", {}, Request::Start);
    row("--help", {"--help"}, Request::Help);
    row("-h", {"-h"}, Request::Help);
    row("--version", {"--version"}, Request::Version);
    row("-v", {"-v"}, Request::Version);
    row("the first request decides", {"--version", "--help"}, Request::Version);
    row("nothing after --help is looked at", {"--help", "--no-such"}, Request::Help);
    row("--help after a Qt option", {"-style", "fusion", "--help"}, Request::Help);
    row("--profile and its name", {"--profile", "bench-2_B"}, Request::Start, {}, false,
        "bench-2_B");
    row("--profile=name", {"--profile=monitor"}, Request::Start, {}, false, "monitor");
    row("a name of 32 characters", {"--profile", QString(32, u'p')}, Request::Start, {}, false,
        QString(32, u'p'));
    row("--port COM3", {"--port", "COM3"}, Request::Start, {}, false, {}, 3);
    row("--port=com12, any case", {"--port=com12"}, Request::Start, {}, false, {}, 12);
    row("--port COM256", {"--port", "COM256"}, Request::Start, {}, false, {}, 256);
    row("own and Qt options together",
        {"-platform", "xcb", "--profile", "A", "--port", "COM1", "-reverse"}, Request::Start, {},
        true, "A", 1);
    row("--help after --profile", {"--profile", "A", "--help"}, Request::Help);
    // Qt's options pass, with their values.
    row("-platform and its value", {"-platform", "offscreen"}, Request::Start, {}, true);
    row("--platform with two dashes", {"--platform", "xcb"}, Request::Start, {}, true);
    row("-display names a display", {"-display", ":3"}, Request::Start, {}, true);
    row("-style and its value", {"-style", "fusion"}, Request::Start);
    row("-style=value", {"-style=fusion"}, Request::Start);
    row("--stylesheet=value", {"--stylesheet=a.qss"}, Request::Start);
    row("-qmljsdebugger=value", {"-qmljsdebugger=port:1234"}, Request::Start);
    row("flags", {"-reverse", "-widgetcount", "-nograb", "-testability"}, Request::Start);
    row("window options",
        {"-qwindowgeometry", "640x480+0+0", "-qwindowtitle", "T", "-geometry", "1x1", "-title",
         "t", "-name", "n", "-session", "s"},
        Request::Start);
    row("a value that looks like --help is a value", {"-qwindowtitle", "--help"},
        Request::Start);
    row("a value that looks like a file is a value", {"-stylesheet", "my.qss"}, Request::Start);
    row("-- alone", {"--"}, Request::Start);
    // Refused.
    row("unknown long option", {"--verbose"}, Request::Refuse, "unknown option '--verbose'");
    row("unknown short option", {"-x"}, Request::Refuse, "unknown option '-x'");
    row("a file name", {"commands.icf"}, Request::Refuse, "unexpected argument 'commands.icf'");
    row("an empty argument", {""}, Request::Refuse, "unexpected argument ''");
    row("a lone dash", {"-"}, Request::Refuse, "unexpected argument '-'");
    row("an argument after --", {"--", "--help"}, Request::Refuse,
        "unexpected argument '--help'");
    row("an argument after Qt options", {"-platform", "xcb", "COM1"}, Request::Refuse,
        "unexpected argument 'COM1'");
    row("a Qt option without its value", {"-platform"}, Request::Refuse,
        "option '-platform' needs a value");
    row("a joined value Qt does not read", {"-platform=xcb"}, Request::Refuse,
        "unknown option '-platform=xcb'");
    row("a value on a flag", {"--help=1"}, Request::Refuse, "unknown option '--help=1'");
    row("options are case-sensitive", {"-Platform", "xcb"}, Request::Refuse,
        "unknown option '-Platform'");
    row("an unknown option after a good one", {"-reverse", "--fast"}, Request::Refuse,
        "unknown option '--fast'");
    row("an unknown option before --help", {"--fast", "--help"}, Request::Refuse,
        "unknown option '--fast'");
    row("--profile without its name", {"--profile"}, Request::Refuse,
        "option '--profile' needs a value");
    row("a profile name with a slash", {"--profile", "a/b"}, Request::Refuse,
        "invalid profile name 'a/b'");
    row("a profile name with a dot", {"--profile", ".."}, Request::Refuse,
        "invalid profile name '..'");
    row("a profile name with a blank", {"--profile=a b"}, Request::Refuse,
        "invalid profile name 'a b'");
    row("an empty profile name", {"--profile="}, Request::Refuse, "invalid profile name ''");
    row("a profile name of 33 characters", {"--profile", QString(33, u'p')}, Request::Refuse,
        "invalid profile name '" + QString(33, u'p') + "'");
    row("a letter outside A-Z", {"--profile", u"Prüfstand"_qs}, Request::Refuse,
        u"invalid profile name 'Prüfstand'"_qs);
    row("an option taken for the name", {"--profile", "--port", "COM1"}, Request::Refuse,
        "invalid profile name '--port'");
    row("--port without its value", {"--port"}, Request::Refuse, "option '--port' needs a value");
    row("COM0", {"--port", "COM0"}, Request::Refuse, "invalid port 'COM0'");
    row("COM257", {"--port", "COM257"}, Request::Refuse, "invalid port 'COM257'");
    row("a number alone", {"--port", "3"}, Request::Refuse, "invalid port '3'");
    row("a leading zero", {"--port", "COM03"}, Request::Refuse, "invalid port 'COM03'");
    row("COM alone", {"--port", "COM"}, Request::Refuse, "invalid port 'COM'");
    row("a device path", {"--port", "/dev/ttyS0"}, Request::Refuse, "invalid port '/dev/ttyS0'");
    row("a sign", {"--port", "COM+1"}, Request::Refuse, "invalid port 'COM+1'");
    row("own options take two dashes", {"-port", "COM1"}, Request::Refuse,
        "unknown option '-port'");
    row("--port twice", {"--port", "COM1", "--port", "COM2"}, Request::Refuse,
        "option '--port' given twice");
    row("--profile twice, the same", {"--profile=A", "--profile", "A"}, Request::Refuse,
        "option '--profile' given twice");
    const QString c63(63, u'C');
    row("control characters as escapes", {"\a\nb\x0e\x1b\x7f"}, Request::Refuse,
        "unexpected argument '\\a\\nb\\x0e\\x1b\\x7f'");
    row("64 whole", {"--port", c63 + u"😀"_qs}, Request::Refuse, "invalid port '" + c63 + u"😀'"_qs);
    row("an escape is not cut", {"--port", c63 + "\tx"}, Request::Refuse,
        "invalid port '" + c63 + "…'");
}

void tst_CommandLine::reading()
{
    QFETCH(QStringList, arguments);
    QFETCH(Request, request);
    QFETCH(QString, refusal);
    QFETCH(bool, displayNamed);
    QFETCH(QString, profile);
    QFETCH(int, comNumber);

    const CommandLine::Reading reading = CommandLine::read(arguments);
    QCOMPARE(reading.request, request);
    QCOMPARE(reading.displayNamed, displayNamed);
    QCOMPARE(reading.profile, profile);
    QCOMPARE(reading.comNumber, comNumber);
    switch (request) {
    case Request::Start:
        QVERIFY(reading.output.isEmpty());
        break;
    case Request::Help:
        QVERIFY(reading.output.startsWith("Usage: lintrova"));
        QVERIFY(reading.output.contains("History.txt") && reading.output.contains("LastLog.txt"));
        break;
    case Request::Version:
        QCOMPARE(reading.output, QString("Lintrova 2018.1.0\n"));
        break;
    case Request::Refuse:
        QVERIFY2(reading.output.startsWith("lintrova: " + refusal + "\n") ||
                     reading.output.startsWith("lintrova: " + refusal + ":"),
                 qPrintable(reading.output));
        QVERIFY(reading.output.endsWith("Try 'lintrova --help' for more information.\n"));
        break;
    }
}

// The real program, with no display anywhere in its environment: what it
// answers must come before the application object, which would need one.
void tst_CommandLine::program_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("standardOutput"); // its start
    QTest::addColumn<QString>("standardError");  // its start

    QTest::newRow("--version") << QStringList{"--version"} << 0 << "Lintrova 2018.1.0\n" << "";
    QTest::newRow("--help") << QStringList{"--help"} << 0
                            << "Usage: lintrova [--profile NAME] [--port COMn] [Qt options]\n"
                            << "";
    QTest::newRow("a bad profile name") << QStringList{"--profile", "a b"} << 2 << ""
                                        << "lintrova: invalid profile name 'a b': use letters";
    QTest::newRow("a bad port") << QStringList{"--port", "COM0"} << 2 << ""
                                << "lintrova: invalid port 'COM0': give COM1 to COM256\n";
    QTest::newRow("--help after Qt options")
        << QStringList{"-platform", "xcb", "-display", ":99", "--help"} << 0 << "Usage: " << "";
    QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << ""
                                    << "lintrova: unknown option '--bogus'\n";
    QTest::newRow("a file name") << QStringList{"x.icf"} << 2 << ""
                                 << "lintrova: unexpected argument 'x.icf'";
    QTest::newRow("no display") << QStringList{} << 2 << ""
                                << "Lintrova needs a graphical display";
    QTest::newRow("Qt options alone still need a display")
        << QStringList{"-style", "fusion"} << 2 << "" << "Lintrova needs a graphical display";
}

void tst_CommandLine::program()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, standardOutput);
    QFETCH(QString, standardError);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(LINTROVA_PROGRAM, arguments);
    QVERIFY(program.waitForFinished(30000));
    const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(program.readAllStandardError());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    // An expected empty start means nothing at all on that stream.
    const auto begins = [](const QString &text, const QString &start) {
        return start.isEmpty() ? text.isEmpty() : text.startsWith(start);
    };
    QVERIFY2(begins(out, standardOutput), qPrintable(out));
    QVERIFY2(begins(err, standardError), qPrintable(err));
    QCOMPARE(program.exitCode(), status);
}

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
