#pragma once

// The main window as main() puts it together, for tests that drive it. A
// Window is the frmMain with its port, loaded (Form_Load) and shown; its COM
// ports are what Ports.ini in the data folder says (PortByEntry, no devices
// of the machine), or, when the Setup names no Ports.ini, COM1 is a
// pseudo-terminal whose device end the test plays (`peer`). A Program is a
// ProgramHome with one Window in it: Program p(Setup().language(1)).
// START_PROGRAM(p, setup) declares it and waits for the window to become
// active; it ends the test when that fails or the set-up failed.

#include "ProgramHome.h"
#include "UiTestSupport.h"
#include "app/modGlobal.h"
#include "engine/TerminalEngine.h"
#include "host/ComPortList.h"
#include "host/ComPortMap.h"
#include "host/SerialDeviceSource.h"
#include "ports/PortByEntry.h"
#include "ports/PtyPair.h"
#include "ports/TermiosPort.h"
#include "ui/frmMain.h"
#include "ui/frmSettings.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>
#include <optional>

class NoDevices : public SerialDeviceSource {
public:
    QList<SerialDevice> devices() const override { return {}; }
};

struct Window {
    std::optional<PtyPair> peer; // COM1 without Ports.ini: the test is the device
    SettingsRecord settings;
    NoDevices devices;
    std::unique_ptr<SerialPortControl> port;
    std::unique_ptr<frmMain> window;
    qint64 loadMs = -1; // how long Form_Load took

    explicit Window(const Setup &setup = {})
    {
        const QString folder = SystemFolders::DataFolder(); // Ports.ini's, whatever the profile
        if (setup.portsIni.isNull()) {
            const QString device = peer.emplace().path();
            port = std::make_unique<TermiosPort>([device](int n) {
                return n == 1 ? PortPath{device, QString()}
                              : PortPath{QString(), QStringLiteral("none")};
            });
        } else {
            port = std::make_unique<PortByEntry>(
                [folder, this](int n) {
                    const ComPortMap::Lookup found =
                        ComPortMap(folder, devices).pathFor(n, settings.Language);
                    return PortPath{found.path, found.error, found.mappedPath, found.identity};
                },
                [this] { return settings.Language; });
        }
        window = std::make_unique<frmMain>(settings, *port);
        if (!setup.portsIni.isNull())
            window->setPortListSource([folder, this] {
                ComPortMap map(folder, devices);
                return fkt_ToolsGetComPortList(map);
            });
        if (setup.portForThisRun > 0)
            window->setPortForThisRun(setup.portForThisRun);
        QElapsedTimer clock;
        clock.start();
        window->Form_Load();
        loadMs = clock.elapsed();
        window->show();
    }

    template <typename W>
    W *child(const QString &name) const
    {
        return window->findChild<W *>(name);
    }
    QLineEdit *edit(const QString &name) const { return child<QLineEdit>(name); }
    QPushButton *button(const QString &name) const { return child<QPushButton>(name); }
    TerminalEngine &engine() const { return window->engine(); }
    TrafficLog &log() const { return window->engine().log(); }
    QString status() const { return child<QLabel>(QStringLiteral("stbStatus"))->text(); }
    // Each log line without its time and leading blanks: "[OUT]  AB<CR>";
    // an event of the port as "# COM1 geschlossen".
    QStringList logContents() const
    {
        QStringList lines;
        for (int i = 0; i < log().count(); ++i) {
            const QString line = log().line(i);
            lines << (line.startsWith(u'#') ? QStringLiteral("# ") + line.mid(15) : line.mid(14));
        }
        return lines;
    }
    // Opens the settings dialog from its menu item, sets each list named to
    // its row and each box to its text, and accepts; returns the ports the
    // dialog offered.
    QStringList acceptSettings(const QList<std::pair<const char *, int>> &rows = {},
                               const QList<std::pair<const char *, QString>> &texts = {})
    {
        QStringList ports;
        UiTestSupport::whenModalShows<frmSettings>([&ports, rows, texts](frmSettings *dialog) {
            ports = UiTestSupport::itemsOf(dialog->findChild<QComboBox *>("cboPcPort"));
            for (const auto &[list, row] : rows)
                dialog->findChild<QComboBox *>(list)->setCurrentIndex(row);
            for (const auto &[box, text] : texts)
                dialog->findChild<QLineEdit *>(box)->setText(text);
            dialog->findChild<QPushButton *>("cmdOk")->click();
        });
        child<QAction>(QStringLiteral("mnuEditSettings"))->trigger();
        return ports;
    }
    // The bytes sent to the peer: `size` of them within a second, and
    // whatever follows within 30 ms.
    QByteArray wire(int size)
    {
        const QByteArray bytes = peer->read(size, 1000);
        return bytes + peer->readPending(30);
    }
};

struct Program : ProgramHome, Window {
    explicit Program(const Setup &setup = {}) : ProgramHome(setup), Window(setup) {}
};

#define START_PROGRAM(name, ...)                                                                   \
    Program name{__VA_ARGS__};                                                                     \
    QVERIFY(!QTest::currentTestFailed() && QTest::qWaitForWindowActive(name.window.get()))
