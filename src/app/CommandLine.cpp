#include "app/CommandLine.h"

#include <iterator>

#ifndef LINTROVA_VERSION
#error "the build passes the program's version in"
#endif

namespace {

enum class Value {
    None,             // -reverse
    Separate,         // -platform offscreen
    SeparateOrJoined, // -style fusion or -style=fusion
};

struct QtOption {
    const char *name; // without its dash
    Value value;
};

// The options Qt 6.4 takes out of the arguments itself (each one tried on
// the X11 platform), with one dash or two. Kept generous: an option Qt does
// not use on the platform in hand is ignored by Qt, while one refused here
// would be lost. Qt does not take joined values ("-platform=xcb") except
// where marked.
constexpr QtOption kQtOptions[] = {
    // The GUI application object.
    {"platform", Value::Separate},
    {"platformpluginpath", Value::Separate},
    {"platformtheme", Value::Separate},
    {"plugin", Value::Separate},
    {"qwindowgeometry", Value::Separate},
    {"qwindowicon", Value::Separate},
    {"qwindowtitle", Value::Separate},
    {"reverse", Value::None},
    {"session", Value::Separate},
    {"testability", Value::None},
    // The X11 platform.
    {"display", Value::Separate},
    {"geometry", Value::Separate},
    {"title", Value::Separate},
    {"icon", Value::Separate},
    {"name", Value::Separate},
    {"visual", Value::Separate},
    {"dograb", Value::None},
    {"nograb", Value::None},
    // The widget application object.
    {"style", Value::SeparateOrJoined},
    {"stylesheet", Value::SeparateOrJoined},
    {"widgetcount", Value::None},
    // The core application object.
    {"qmljsdebugger", Value::SeparateOrJoined},
};

const QtOption *qtOptionNamed(const QString &name)
{
    for (const QtOption &option : kQtOptions) {
        if (name == QLatin1String(option.name))
            return &option;
    }
    return nullptr;
}

QString helpText()
{
    return QStringLiteral(
        "Usage: lintrova [Qt options]\n"
        "       lintrova --help | --version\n"
        "\n"
        "Lintrova is a serial terminal: it exchanges characters with a device on a\n"
        "serial port and logs every transmission and every received block with its\n"
        "time. It takes no file names or other arguments of its own.\n"
        "\n"
        "Options:\n"
        "  -h, --help          show this help and exit\n"
        "  -v, --version       show the program's version and exit\n"
        "\n"
        "Qt's own options are passed on, among them:\n"
        "  -platform NAME      the window system to use (xcb, wayland, offscreen)\n"
        "  -display DISPLAY    the X display to use\n"
        "  -style NAME         the widget style (Fusion, Windows)\n"
        "  -reverse            lay the window out from right to left\n"
        "\n"
        "Files:\n"
        "  $XDG_DATA_HOME/Kavrel/Lintrova/ (by default ~/.local/share/Kavrel/Lintrova/)\n"
        "  holds Settings.ini, DefaultCommands.icf and Ports.ini. The first start\n"
        "  copies the template Settings.ini from beside the program or from the\n"
        "  installation's share/lintrova/ folder. See lintrova(1).\n");
}

CommandLine::Reading refusal(const QString &what)
{
    return {CommandLine::Request::Refuse,
            QStringLiteral("lintrova: ") + what +
                QStringLiteral("\nTry 'lintrova --help' for more information.\n"),
            false};
}

QString quoted(const QString &argument)
{
    return QLatin1Char('\'') + argument + QLatin1Char('\'');
}

} // namespace

namespace CommandLine {

Reading read(const QStringList &arguments)
{
    Reading reading;
    bool optionsEnded = false;
    for (auto it = arguments.cbegin(); it != arguments.cend(); ++it) {
        const QString &argument = *it;
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-"))
            return refusal(QStringLiteral("unexpected argument ") + quoted(argument) +
                           QStringLiteral(": Lintrova opens no files and takes no arguments"));
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (argument == QLatin1String("-h") || argument == QLatin1String("--help"))
            return {Request::Help, helpText(), false};
        if (argument == QLatin1String("-v") || argument == QLatin1String("--version"))
            return {Request::Version, QStringLiteral("Lintrova " LINTROVA_VERSION "\n"), false};

        // Qt reads "--name" as "-name".
        const QString bare = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
        const qsizetype equals = bare.indexOf(QLatin1Char('='));
        const QString name = equals < 0 ? bare : bare.left(equals);
        const QtOption *option = qtOptionNamed(name);
        if (!option || (equals >= 0 && option->value != Value::SeparateOrJoined))
            return refusal(QStringLiteral("unknown option ") + quoted(argument));
        if (option->value != Value::None && equals < 0) {
            if (std::next(it) == arguments.cend())
                return refusal(QStringLiteral("option ") + quoted(argument) +
                               QStringLiteral(" needs a value"));
            ++it;
        }
        if (name == QLatin1String("platform") || name == QLatin1String("display"))
            reading.displayNamed = true;
    }
    return reading;
}

} // namespace CommandLine
