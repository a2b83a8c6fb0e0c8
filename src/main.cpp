#include "app/modGlobal.h"
#include "engine/TermiosPort.h"
#include "host/ComPortList.h"
#include "host/ComPortMap.h"
#include "host/SystemSerialDeviceSource.h"
#include "text/ReportHook.h"
#include "ui/MessageBoxes.h"
#include "ui/ProgramEnd.h"
#include "ui/frmMain.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

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

} // namespace

int main(int argc, char *argv[])
{
    if (!displayAvailable()) {
        std::fprintf(stderr, "Lintrova needs a graphical display, and none was found "
                             "(DISPLAY and WAYLAND_DISPLAY are not set).\n");
        return 2;
    }
    // From here on SIGTERM, SIGHUP and SIGINT save the user's edits first.
    ProgramEnd::catchSignals();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lintrova"));
    QApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));

    SettingsRecord &settings = modGlobal::Settings();
    SystemSerialDeviceSource devices;
    // COM numbers are looked up when the port opens, after the settings have
    // named the data folder that holds Ports.ini.
    TermiosPort port([&settings, &devices](int comNumber) {
        ComPortMap map(settings.DataFolder, devices);
        const ComPortMap::Lookup found = map.pathFor(comNumber);
        return PortPath{found.path, found.error};
    });

    frmMain window(settings, port);
    window.setPortListSource([&settings, &devices] {
        ComPortMap map(settings.DataFolder, devices);
        return fkt_ToolsGetComPortList(map);
    });
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
