// Several windows at once: two windows on one data folder, a profile of its
// own (--profile), a port for this run only (--port), and the first start in
// the desktop's language. Each window's port is a pseudo-terminal.


#include "StandardErrorCapture.h"
#include "WindowRig.h"

#include <QProcess>

#include <csignal>
#include <unistd.h>

namespace {

void setSlot(Window &w, int n, const QString &text)
{
    w.edit(QStringLiteral("txtBefehl%1").arg(n))->setText(text);
}

} // namespace

class tst_Profiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void twoWindowsOnOneDataFolder_data();
    void twoWindowsOnOneDataFolder();
    void profileHasFilesOfItsOwn();
    void portForThisRun_data();
    void portForThisRun();
    void firstStartInTheDesktopsLanguage();
    void programWithProfileAndPort();

private:
    std::optional<ProgramHome> m_home; // Ports.ini: COM1 and COM2 on pseudo-terminals
    Setup m_setup;
    PtyPair m_com1;
    PtyPair m_com2;
};

void tst_Profiles::init()
{
    qunsetenv("LC_ALL");
    qunsetenv("LC_MESSAGES");
    qputenv("LANG", "C.UTF-8");
    m_setup = Setup().ports("COM1=" + m_com1.path().toLocal8Bit() +
                            "\r\nCOM2=" + m_com2.path().toLocal8Bit() + "\r\n");
    m_home.emplace(m_setup);
    m_home->noteQuestions();
}

void tst_Profiles::cleanup()
{
    m_home.reset();
}

void tst_Profiles::twoWindowsOnOneDataFolder_data()
{
    QTest::addColumn<bool>("firstChanges"); // the first window changed a setting and a slot
    QTest::addColumn<QString>("end");       // how the second one ends: "yes", "no", "system"
    QTest::addColumn<bool>("moved");        // both windows were moved
    QTest::newRow("the other changed both: Yes overwrites") << true << "yes" << false;
    QTest::newRow("the other changed both: No keeps its files") << true << "no" << false;
    QTest::newRow("ended by the system: the other's files stay") << true << "system" << false;
    QTest::newRow("the other saved the same values: no question") << false << "no" << false;
    QTest::newRow("the other was moved: no question, the last place stays")
        << false << "no" << true;
}

// A device and the bus monitor beside it: two windows, the second on COM2 for
// this run. The first ends first; the second finds both files changed since
// it read them (fault: it overwrote them unnoticed).
void tst_Profiles::twoWindowsOnOneDataFolder()
{
    QFETCH(bool, firstChanges);
    QFETCH(QString, end);
    QFETCH(bool, moved);
    m_home->answer = end == QLatin1String("yes");
    QByteArray history; // merged without a question, 200 texts, no equal neighbours
    for (int i = 0; i < 199; ++i)
        history += "old" + QByteArray::number(i) + '\n';
    QVERIFY(m_home->write("History.txt", history));
    history = "three\ntwo\none\n" + history.left(history.indexOf("old197"));
    Window first(m_setup);
    Window second(Setup(m_setup).portForRun(2));
    for (Window *w : {&first, &second}) {
        w->window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w->window.get()));
        if (moved)
            w->window->move(w->window->pos() + QPoint(w == &first ? 10 : 20, 0));
    }
    if (moved)
        second.window->showMaximized();
    QTest::keyClicks(first.edit("txtSend"), "one\rtwo\r");
    QTest::keyClicks(second.edit("txtSend"), "two\rthree\r");
    QVERIFY(first.port->PortOpen());
    QVERIFY(second.port->PortOpen());
    QVERIFY(second.status().startsWith(QStringLiteral("Schnittstelle COM2 mit 9600 Baud")));
    if (firstChanges) {
        first.settings.Baudrate = 6;
        setSlot(first, 1, QStringLiteral("from the first"));
    }
    first.window->close();
    const QByteArray firstSettings = m_home->read("Settings.ini");
    const QByteArray firstCommands = m_home->read("DefaultCommands.icf");
    QCOMPARE(firstSettings.contains("Baudrate=6"), firstChanges);
    QVERIFY(m_home->questions.isEmpty()); // nobody changed them under the first

    setSlot(second, 1, firstChanges ? QStringLiteral("from the second") : QString());
    StandardErrorCapture errors;
    if (end == QLatin1String("system"))
        second.window->unloadForSystem();
    else
        second.window->close();
    const QStringList errorLines = errors.programLines();
    const QByteArray settingsAfter = m_home->read("Settings.ini");
    const QByteArray commandsAfter = m_home->read("DefaultCommands.icf");
    QCOMPARE(m_home->messages, QStringList());
    const QString settingsFile = m_home->file("Settings.ini");
    QCOMPARE(m_home->read("History.txt"), history);
    if (!firstChanges) {
        QCOMPARE(m_home->questions, QStringList());
        QCOMPARE(errorLines, QStringList());
        // Its place alone is no change to ask about; the last window's stays.
        QCOMPARE(firstSettings.contains("Window"), moved);
        QCOMPARE(settingsAfter.contains("\r\nWindowMaximized=1\r\n"), moved);
        QCOMPARE(settingsAfter == firstSettings, !moved);
        Window third(m_setup); // where the last one was, or the first start's place
        QCOMPARE(third.window->normalGeometry(), second.window->normalGeometry());
        QCOMPARE(third.window->isMaximized(), moved);
        // Not moved, it leaves the place that another window writes meanwhile.
        writeFile(settingsFile, QByteArray(settingsAfter).replace("Maximized=1", "Maximized=0"));
        third.window->close();
        QCOMPARE(m_home->read("Settings.ini").contains("WindowMaximized=0"), moved);
        return;
    }
    const QString commandFile = m_home->file("DefaultCommands.icf");
    if (end == QLatin1String("system")) {
        QCOMPARE(m_home->questions, QStringList());
        const QString kept = QStringLiteral(
            "Lintrova: Die Datei %1 wurde inzwischen von einem "
            "anderen Lintrova-Fenster geändert; sie bleibt, wie sie "
            "ist.");
        QCOMPARE(errorLines, QStringList({kept.arg(settingsFile), kept.arg(commandFile)}));
    } else {
        const QString asked = QStringLiteral("Datei geändert|Die Datei %1 wurde inzwischen von "
                                             "einem anderen Lintrova-Fenster geändert. "
                                             "Überschreiben?");
        QCOMPARE(m_home->questions, QStringList({asked.arg(settingsFile), asked.arg(commandFile)}));
        QCOMPARE(errorLines, QStringList());
    }
    if (m_home->answer) {
        QVERIFY(settingsAfter.contains("Baudrate=5\r\n"));
        QVERIFY(settingsAfter.contains("ComPort=0\r\n")); // --port's COM2 is not stored
        QVERIFY(commandsAfter.contains("Param1=from the second\r\n"));
    } else {
        QCOMPARE(settingsAfter, firstSettings);
        QCOMPARE(commandsAfter, firstCommands);
    }
}

// --profile: the window's own files in profiles/NAME/, made from the template
// on first use; Ports.ini stays shared; the title names the profile.
void tst_Profiles::profileHasFilesOfItsOwn()
{
    QVERIFY(writeFile(m_home->templateFolder() + "/Settings.ini",
                      "[SETTINGS]\r\nComPort=1\r\nBaudrate=6\r\n"));
    const QByteArray shared = m_home->read("Settings.ini");
    SystemFolders::SetProfile(QStringLiteral("monitor"));
    Window w(m_setup);
    QCOMPARE(w.window->windowTitle(), QStringLiteral("Lintrova – monitor"));
    QCOMPARE(w.settings.DataFolder, m_home->file("profiles/monitor/"));
    QVERIFY(w.port->PortOpen()); // COM2 of the shared Ports.ini
    QCOMPARE(w.status(), QStringLiteral("Schnittstelle COM2 mit 19200 Baud 8 Datenbits, 1 "
                                        "Stoppbit, Keine Parität und Handshake None ist "
                                        "geöffnet."));
    setSlot(w, 3, QStringLiteral("monitor's"));
    w.window->close();
    QVERIFY(m_home->read("profiles/monitor/Settings.ini").contains("ComPort=1\r\n"));
    QVERIFY(m_home->read("profiles/monitor/DefaultCommands.icf").contains("Param3=monitor's"));
    QCOMPARE(m_home->read("Settings.ini"), shared);
    QVERIFY(!QFileInfo::exists(m_home->file("DefaultCommands.icf")));
    QVERIFY(!QFileInfo::exists(m_home->file("profiles/monitor/Ports.ini")));
    QCOMPARE(m_home->questions, QStringList());
}

void tst_Profiles::portForThisRun_data()
{
    QTest::addColumn<bool>("accepted"); // the settings dialog was accepted
    QTest::newRow("not stored") << false;
    QTest::newRow("stored by Accept") << true;
}

void tst_Profiles::portForThisRun()
{
    QFETCH(bool, accepted);
    Window w(Setup(m_setup).portForRun(2));
    QVERIFY(w.status().startsWith(QStringLiteral("Schnittstelle COM2 mit")));
    QCOMPARE(int(w.settings.ComPort), 1);
    if (accepted) {
        w.acceptSettings();
        QVERIFY(w.status().startsWith(QStringLiteral("Schnittstelle COM2 mit")));
    }
    w.window->close();
    const QByteArray saved = m_home->read("Settings.ini");
    QVERIFY2(saved.contains(accepted ? "ComPort=1\r\n" : "ComPort=0\r\n"), saved.constData());
}

// The very first start speaks the desktop's language; later starts follow
// Settings.ini.
void tst_Profiles::firstStartInTheDesktopsLanguage()
{
    QVERIFY(QFile::remove(m_home->file("Settings.ini")));
    QVERIFY(writeFile(m_home->templateFolder() + "/Settings.ini",
                      "[SETTINGS]\r\nBaudrate=5\r\nLanguage=0\r\n"));
    qputenv("LANG", "en_GB.UTF-8");
    {
        Window w(m_setup);
        QCOMPARE(w.button("cmdSend")->text(), QStringLiteral("Send Characters"));
        QCOMPARE(w.child<QAction>("mnuFilePort")->text(), QStringLiteral("Close &port"));
        w.settings.Language = 0; // switched to German in the settings dialog
        w.window->close();
    }
    QVERIFY(m_home->read("Settings.ini").contains("Language=0\r\n"));
    Window later(m_setup);
    QCOMPARE(later.button("cmdSend")->text(), QStringLiteral("Zeichen senden"));
}

// The program itself with both options: the profile's folder is made and
// used, COM2 opens, and the stored port stays COM1.
void tst_Profiles::programWithProfileAndPort()
{
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_home->data.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(LINTROVA_PROGRAM),
                  {QStringLiteral("--profile"), QStringLiteral("bus-monitor"),
                   QStringLiteral("--port=COM2")});
    QVERIFY(program.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(m_com2.speed() == B9600 && // the template's rate
                                 QFileInfo::exists(m_home->file("profiles/bus-monitor")),
                             10000);
    ::kill(pid_t(program.processId()), SIGTERM);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 128 + SIGTERM);
    const QByteArray saved = m_home->read("profiles/bus-monitor/Settings.ini");
    QVERIFY2(saved.startsWith("[SETTINGS]\nComPort=0\n"), saved.constData()); // the template's
    QCOMPARE(m_home->read("Settings.ini"),
             QByteArray("[SETTINGS]\r\nBaudrate=5\r\nWaitTime=0\r\n"));
}

QTEST_MAIN(tst_Profiles)
#include "tst_profiles.moc"
