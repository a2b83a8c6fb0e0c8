#include "app/CommandLine.h"
#include "app/SystemFolders.h"
#include "app/modGlobal.h"
#include "host/ComPortList.h"
#include "host/ComPortMap.h"
#include "host/SystemSerialDeviceSource.h"
#include "ports/PortByEntry.h"
#include "text/ReportHook.h"
#include "ui/MessageBoxes.h"
#include "ui/ProgramEnd.h"
#include "ui/ProgramLogo.h"
#include "ui/frmMain.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

// QApplication aborts with a terse message when there is no display; say it
// plainly instead.
bool displayAvailable()
{
    const auto has = [](const char *name) {
        const char *value = std::getenv(name);
        return value && *value;
    };
    return has("QT_QPA_PLATFORM") || has("DISPLAY") || has("WAYLAND_DISPLAY");
}

QStringList argumentsOf(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

// Answers --help, --version and refused arguments; anything else starts the
// window. Nothing here needs the application object or a display.
std::optional<int> answerCommandLine(const CommandLine::Reading &reading)
{
    switch (reading.request) {
    case CommandLine::Request::Start:
        return std::nullopt;
    case CommandLine::Request::Help:
    case CommandLine::Request::Version:
        std::fputs(reading.output.toLocal8Bit().constData(), stdout);
        return 0;
    case CommandLine::Request::Refuse:
        std::fputs(reading.output.toLocal8Bit().constData(), stderr);
        return CommandLine::kRefusedStatus;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    const CommandLine::Reading reading = CommandLine::read(argumentsOf(argc, argv));
    if (const std::optional<int> status = answerCommandLine(reading))
        return *status;
    if (!reading.displayNamed && !displayAvailable()) {
        std::fprintf(stderr, "Lintrova needs a graphical display, and none was found "
                             "(DISPLAY and WAYLAND_DISPLAY are not set).\n");
        return 2;
    }
    // From here on SIGTERM, SIGHUP and SIGINT save the user's edits first.
    ProgramEnd::catchSignals();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lintrova"));
    QApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));
    // Ties the window to its desktop entry (Wayland's app id), so the
    // desktop shows the entry's name and icon for it.
    QGuiApplication::setDesktopFileName(QStringLiteral("de.kavrel.Lintrova"));
    QApplication::setWindowIcon(ProgramIcon());

    SettingsRecord &settings = modGlobal::Settings();
    SystemSerialDeviceSource devices;
    // A profile keeps the window's own files apart; the COM numbering in
    // Ports.ini belongs to the machine and stays in the data folder. COM
    // numbers are looked up when the port opens; the entry decides what
    // opens (a device, a port across the network, the loopback).
    SystemFolders::SetProfile(reading.profile);
    const QString portsFolder = SystemFolders::DataFolder();
    const LanguageSource language = [&settings] { return settings.Language; };
    PortByEntry port(
        [portsFolder, &devices, language](int comNumber) {
            ComPortMap map(portsFolder, devices);
            const ComPortMap::Lookup found = map.pathFor(comNumber, language());
            return PortPath{found.path, found.error, found.mappedPath, found.identity};
        },
        language);

    frmMain window(settings, port);
    window.setPortListSource([portsFolder, &devices] {
        ComPortMap map(portsFolder, devices);
        return fkt_ToolsGetComPortList(map);
    });
    if (reading.comNumber > 0)
        window.setPortForThisRun(reading.comNumber);
    setReportHook([&window](const QString &title, const QString &text) {
        MessageBoxes::show({&window, MessageBoxes::Icon::None, title, text});
    });
    ProgramEnd programEnd(window);
    window.Form_Load();
    // A signal handled in the start sequence (its error box, say) has ended it.
    if (programEnd.exitCode() >= 0) {
        setReportHook({});
        return programEnd.exitCode();
    }
    window.show();
    const int result = app.exec();
    setReportHook({});
    return result;
}
