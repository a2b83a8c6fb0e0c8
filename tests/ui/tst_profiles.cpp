// Several windows at once: two windows on one data folder, a profile of its
// own (--profile), a port for this run only (--port), and the first start in
// the desktop's language. Each window's port is a pseudo-terminal.

#include "app/SystemFolders.h"
#include "app/modGlobal.h"
#include "host/ComPortList.h"
#include "host/ComPortMap.h"
#include "host/SerialDeviceSource.h"
#include "ports/PortByEntry.h"
#include "ports/PtyPair.h"
#include "ui/MessageBoxes.h"
#include "ui/frmMain.h"
#include "ui/frmSettings.h"

#include "StandardErrorCapture.h"
#include "UiTestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <csignal>
#include <memory>
#include <termios.h>
#include <unistd.h>

namespace {

class NoDevices : public SerialDeviceSource {
public:
    QList<SerialDevice> devices() const override { return {}; }
};

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

// One window as main() puts it together; Ports.ini lies in the data folder
// of XDG_DATA_HOME, whatever the profile.
struct Window {
    NoDevices devices;
    SettingsRecord settings;
    std::unique_ptr<PortByEntry> port;
    std::unique_ptr<frmMain> window;

    explicit Window(int portForThisRun = 0)
    {
        const QString portsFolder = SystemFolders::DataFolder();
        port = std::make_unique<PortByEntry>(
            [portsFolder, this](int n) {
                ComPortMap map(portsFolder, devices);
                const ComPortMap::Lookup found = map.pathFor(n, settings.Language);
                return PortPath{found.path, found.error, found.mappedPath, found.identity};
            },
            [this] { return settings.Language; });
        window = std::make_unique<frmMain>(settings, *port);
        window->setPortListSource([portsFolder, this] {
            ComPortMap map(portsFolder, devices);
            return fkt_ToolsGetComPortList(map);
        });
        if (portForThisRun > 0)
            window->setPortForThisRun(portForThisRun);
        window->Form_Load();
        window->show();
    }
    QString status() const { return window->findChild<QLabel *>("stbStatus")->text(); }
    void setSlot(int n, const QString &text)
    {
        window->findChild<QLineEdit *>(QStringLiteral("txtBefehl%1").arg(n))->setText(text);
    }
};

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
    QString dataFolder() const { return m_home->path() + QStringLiteral("/Kavrel/Lintrova/"); }
    std::unique_ptr<QTemporaryDir> m_home;
    PtyPair m_com1;
    PtyPair m_com2;
    QStringList m_questions;
    QStringList m_messages;
    bool m_answer = false;
};

void tst_Profiles::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", m_home->path().toLocal8Bit());
    qunsetenv("LC_ALL");
    qunsetenv("LC_MESSAGES");
    qputenv("LANG", "C.UTF-8");
    SystemFolders::SetProgramFolderForTesting(m_home->path() + QStringLiteral("/program"));
    SystemFolders::SetSharedFolderForTesting(m_home->path() + QStringLiteral("/share"));
    writeFile(dataFolder() + QStringLiteral("Settings.ini"),
              "[SETTINGS]\r\nBaudrate=5\r\nWaitTime=0\r\n");
    writeFile(dataFolder() + QStringLiteral("Ports.ini"),
              "[PORTS]\r\nCOM1=" + m_com1.path().toLocal8Bit() +
                  "\r\nCOM2=" + m_com2.path().toLocal8Bit() + "\r\n");
    m_questions.clear();
    m_messages.clear();
    MessageBoxes::setPresenter([this](const MessageBoxes::Message &m) { m_messages << m.text; });
    MessageBoxes::setQuestionPresenter([this](const MessageBoxes::Message &m) {
        m_questions << m.title + u'|' + m.text;
        return m_answer;
    });
}

void tst_Profiles::cleanup()
{
    MessageBoxes::setPresenter({});
    MessageBoxes::setQuestionPresenter({});
    SystemFolders::SetProfile(QString());
    SystemFolders::SetProgramFolderForTesting(QString());
    SystemFolders::SetSharedFolderForTesting(QString());
}

void tst_Profiles::twoWindowsOnOneDataFolder_data()
{
    QTest::addColumn<bool>("firstChanges"); // the first window changed a setting and a slot
    QTest::addColumn<QString>("end");       // how the second one ends: "yes", "no", "system"
    QTest::newRow("the other changed both: Yes overwrites") << true << "yes";
    QTest::newRow("the other changed both: No keeps its files") << true << "no";
    QTest::newRow("ended by the system: the other's files stay") << true << "system";
    QTest::newRow("the other saved the same values: no question") << false << "no";
}

// A device and the bus monitor beside it: two windows, the second on COM2 for
// this run. The first ends first; the second finds both files changed since
// it read them (fault: it overwrote them unnoticed).
void tst_Profiles::twoWindowsOnOneDataFolder()
{
    QFETCH(bool, firstChanges);
    QFETCH(QString, end);
    m_answer = end == QLatin1String("yes");
    QByteArray history; // merged without a question, 200 texts, no equal neighbours
    for (int i = 0; i < 199; ++i)
        history += "old" + QByteArray::number(i) + '\n';
    writeFile(dataFolder() + QStringLiteral("History.txt"), history);
    history = "three\ntwo\none\n" + history.left(history.indexOf("old197"));
    Window first;
    Window second(2);
    QTest::keyClicks(first.window->findChild<QLineEdit *>("txtSend"), "one\rtwo\r");
    QTest::keyClicks(second.window->findChild<QLineEdit *>("txtSend"), "two\rthree\r");
    QVERIFY(first.port->PortOpen());
    QVERIFY(second.port->PortOpen());
    QVERIFY(second.status().startsWith(QStringLiteral("Schnittstelle COM2 mit 9600 Baud")));
    if (firstChanges) {
        first.settings.Baudrate = 6;
        first.setSlot(1, QStringLiteral("from the first"));
    }
    first.window->close();
    const QByteArray firstSettings = readFile(dataFolder() + QStringLiteral("Settings.ini"));
    const QByteArray firstCommands = readFile(dataFolder() + QStringLiteral("DefaultCommands.icf"));
    QCOMPARE(firstSettings.contains("Baudrate=6"), firstChanges);
    QVERIFY(m_questions.isEmpty()); // nobody changed them under the first

    second.setSlot(1, firstChanges ? QStringLiteral("from the second") : QString());
    StandardErrorCapture errors;
    if (end == QLatin1String("system"))
        second.window->unloadForSystem();
    else
        second.window->close();
    const QStringList errorLines = errors.programLines();
    const QByteArray settingsAfter = readFile(dataFolder() + QStringLiteral("Settings.ini"));
    const QByteArray commandsAfter = readFile(dataFolder() + QStringLiteral("DefaultCommands.icf"));
    QCOMPARE(m_messages, QStringList());
    QCOMPARE(readFile(dataFolder() + QStringLiteral("History.txt")), history);
    if (!firstChanges) {
        QCOMPARE(m_questions, QStringList());
        QCOMPARE(errorLines, QStringList());
        QCOMPARE(settingsAfter, firstSettings);
        return;
    }
    const QString settingsFile = dataFolder() + QStringLiteral("Settings.ini");
    const QString commandFile = dataFolder() + QStringLiteral("DefaultCommands.icf");
    if (end == QLatin1String("system")) {
        QCOMPARE(m_questions, QStringList());
        const QString kept = QStringLiteral(
            "Lintrova: Die Datei %1 wurde inzwischen von einem "
            "anderen Lintrova-Fenster geändert; sie bleibt, wie sie "
            "ist.");
        QCOMPARE(errorLines, QStringList({kept.arg(settingsFile), kept.arg(commandFile)}));
    } else {
        const QString asked = QStringLiteral("Datei geändert|Die Datei %1 wurde inzwischen von "
                                             "einem anderen Lintrova-Fenster geändert. "
                                             "Überschreiben?");
        QCOMPARE(m_questions, QStringList({asked.arg(settingsFile), asked.arg(commandFile)}));
        QCOMPARE(errorLines, QStringList());
    }
    if (m_answer) {
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
    writeFile(m_home->path() + QStringLiteral("/program/Settings.ini"),
              "[SETTINGS]\r\nComPort=1\r\nBaudrate=6\r\n");
    const QByteArray shared = readFile(dataFolder() + QStringLiteral("Settings.ini"));
    SystemFolders::SetProfile(QStringLiteral("monitor"));
    Window w;
    QCOMPARE(w.window->windowTitle(), QStringLiteral("Lintrova – monitor"));
    QCOMPARE(w.settings.DataFolder, dataFolder() + QStringLiteral("profiles/monitor/"));
    QVERIFY(w.port->PortOpen()); // COM2 of the shared Ports.ini
    QCOMPARE(w.status(), QStringLiteral("Schnittstelle COM2 mit 19200 Baud 8 Datenbits, 1 "
                                        "Stoppbit, Keine Parität und Handshake None ist "
                                        "geöffnet."));
    w.setSlot(3, QStringLiteral("monitor's"));
    w.window->close();
    const QString own = dataFolder() + QStringLiteral("profiles/monitor/");
    QVERIFY(readFile(own + QStringLiteral("Settings.ini")).contains("ComPort=1\r\n"));
    QVERIFY(readFile(own + QStringLiteral("DefaultCommands.icf")).contains("Param3=monitor's"));
    QCOMPARE(readFile(dataFolder() + QStringLiteral("Settings.ini")), shared);
    QVERIFY(!QFileInfo::exists(dataFolder() + QStringLiteral("DefaultCommands.icf")));
    QVERIFY(!QFileInfo::exists(own + QStringLiteral("Ports.ini")));
    QCOMPARE(m_questions, QStringList());
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
    Window w(2);
    QVERIFY(w.status().startsWith(QStringLiteral("Schnittstelle COM2 mit")));
    QCOMPARE(int(w.settings.ComPort), 1);
    if (accepted) {
        UiTestSupport::whenModalShows<frmSettings>(
            [](frmSettings *dialog) { dialog->findChild<QPushButton *>("cmdOk")->click(); });
        w.window->mnuEditSettings_Click();
        QVERIFY(w.status().startsWith(QStringLiteral("Schnittstelle COM2 mit")));
    }
    w.window->close();
    const QByteArray saved = readFile(dataFolder() + QStringLiteral("Settings.ini"));
    QVERIFY2(saved.contains(accepted ? "ComPort=1\r\n" : "ComPort=0\r\n"), saved.constData());
}

// The very first start speaks the desktop's language; later starts follow
// Settings.ini.
void tst_Profiles::firstStartInTheDesktopsLanguage()
{
    QVERIFY(QFile::remove(dataFolder() + QStringLiteral("Settings.ini")));
    writeFile(m_home->path() + QStringLiteral("/program/Settings.ini"),
              "[SETTINGS]\r\nBaudrate=5\r\nLanguage=0\r\n");
    qputenv("LANG", "en_GB.UTF-8");
    {
        Window w;
        QCOMPARE(w.window->findChild<QPushButton *>("cmdSend")->text(),
                 QStringLiteral("Send Characters"));
        QCOMPARE(w.window->findChild<QAction *>("mnuFilePort")->text(),
                 QStringLiteral("Close port"));
        w.settings.Language = 0; // switched to German in the settings dialog
        w.window->close();
    }
    QVERIFY(readFile(dataFolder() + QStringLiteral("Settings.ini")).contains("Language=0\r\n"));
    Window later;
    QCOMPARE(later.window->findChild<QPushButton *>("cmdSend")->text(),
             QStringLiteral("Zeichen senden"));
}

// The program itself with both options: the profile's folder is made and
// used, COM2 opens, and the stored port stays COM1.
void tst_Profiles::programWithProfileAndPort()
{
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_home->path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(LINTROVA_PROGRAM),
                  {QStringLiteral("--profile"), QStringLiteral("bus-monitor"),
                   QStringLiteral("--port=COM2")});
    QVERIFY(program.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            termios attributes{};
            return ::tcgetattr(m_com2.master(), &attributes) == 0 &&
                   cfgetospeed(&attributes) == B9600; // the template's rate
        }() &&
            QFileInfo::exists(dataFolder() + QStringLiteral("profiles/bus-monitor")),
        10000);
    ::kill(pid_t(program.processId()), SIGTERM);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 128 + SIGTERM);
    const QByteArray saved = readFile(dataFolder() +
                                      QStringLiteral("profiles/bus-monitor/Settings.ini"));
    QVERIFY2(saved.startsWith("[SETTINGS]\nComPort=0\n"), saved.constData()); // the template's
    QCOMPARE(readFile(dataFolder() + QStringLiteral("Settings.ini")),
             QByteArray("[SETTINGS]\r\nBaudrate=5\r\nWaitTime=0\r\n"));
}

QTEST_MAIN(tst_Profiles)
#include "tst_profiles.moc"
