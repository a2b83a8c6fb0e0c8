#include "app/modGlobal.h"
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

    frmMain window(modGlobal::Settings());
    window.show();
    return app.exec();
}
