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

    const auto row = [](const char *name, const QStringList &arguments, Request request,
                        const QString &refusal = {}, bool displayNamed = false) {
        QTest::newRow(name) << arguments << request << refusal << displayNamed;
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
}

void tst_CommandLine::reading()
{
    QFETCH(QStringList, arguments);
    QFETCH(Request, request);
    QFETCH(QString, refusal);
    QFETCH(bool, displayNamed);

    const CommandLine::Reading reading = CommandLine::read(arguments);
    QCOMPARE(reading.request, request);
    QCOMPARE(reading.displayNamed, displayNamed);
    switch (request) {
    case Request::Start:
        QVERIFY(reading.output.isEmpty());
        break;
    case Request::Help:
        QVERIFY(reading.output.startsWith("Usage: lintrova"));
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
    QTest::newRow("--help") << QStringList{"--help"} << 0 << "Usage: lintrova [Qt options]\n"
                            << "";
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
