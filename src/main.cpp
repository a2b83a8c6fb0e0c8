#include "app/modGlobal.h"
#include "engine/TermiosPort.h"
#include "host/ComPortList.h"
#include "host/ComPortMap.h"
#include "host/SystemSerialDeviceSource.h"
#include "text/ReportHook.h"
#include "ui/MessageBoxes.h"
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
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lintrova"));
    QApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));

    SettingsRecord &settings = modGlobal::Settings();
    SystemSerialDeviceSource devices;
    // COM numbers are looked up when the port opens, after the settings have
    // named the data folder that holds Ports.ini.
    const LanguageSource language = [&settings] { return settings.Language; };
    TermiosPort port(
        [&settings, &devices, language](int comNumber) {
            ComPortMap map(settings.DataFolder, devices);
            const ComPortMap::Lookup found = map.pathFor(comNumber, language());
            return PortPath{found.path, found.error, found.mappedPath, found.identity};
        },
        language);

    frmMain window(settings, port);
    window.setPortListSource([&settings, &devices] {
        ComPortMap map(settings.DataFolder, devices);
        return fkt_ToolsGetComPortList(map);
    });
    setReportHook([&window](const QString &title, const QString &text) {
        MessageBoxes::show({&window, MessageBoxes::Icon::None, title, text});
    });
    window.Form_Load();
    window.show();
    const int result = app.exec();
    setReportHook({});
    return result;
}
