#include "app/CommandLine.h"

#include "app/SystemFolders.h"

#include <iterator>
#include <utility>

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
        "Usage: lintrova [--profile NAME] [--port COMn] [Qt options]\n"
        "       lintrova --help | --version\n"
        "\n"
        "Lintrova is a serial terminal: it exchanges characters with a device on a\n"
        "serial port and logs every transmission and every received block with its\n"
        "time. It takes no file names.\n"
        "\n"
        "Options:\n"
        "  --profile NAME      keep this window's settings and command lines in a\n"
        "                      profile of their own, so that several windows can run\n"
        "                      at once (NAME: letters, digits, '-' and '_', at most\n"
        "                      32, not beginning with '-')\n"
        "  --port COMn         open COMn (1 to 256) in this run; the stored port\n"
        "                      changes only when the settings dialog is accepted\n"
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
        "  holds Settings.ini, DefaultCommands.icf, History.txt (the texts on which\n"
        "  Send was pressed), LastLog.txt (the log as it was at the last ending) and\n"
        "  Ports.ini; a profile keeps its own Settings.ini, DefaultCommands.icf,\n"
        "  History.txt and LastLog.txt in profiles/NAME/ there, and shares Ports.ini.\n"
        "  The first start copies the template Settings.ini from beside the program\n"
        "  or from the installation's share/lintrova/ folder. See lintrova(1).\n");
}

CommandLine::Reading answer(CommandLine::Request request, const QString &output)
{
    CommandLine::Reading reading;
    reading.request = request;
    reading.output = output;
    return reading;
}

CommandLine::Reading refusal(const QString &what)
{
    return answer(CommandLine::Request::Refuse,
                  QStringLiteral("lintrova: ") + what +
                      QStringLiteral("\nTry 'lintrova --help' for more information.\n"));
}

// The C name of a control character (\n), else its code (\x1b).
QString escaped(char16_t c)
{
    static constexpr char kNamed[] = "abtnvfr"; // 7 to 13
    if (c >= 7 && c <= 13)
        return QStringLiteral("\\") + QLatin1Char(kNamed[c - 7]);
    return QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'));
}

// An argument as a message shows it: a line of its own whatever it holds, and
// short enough to read (a path pasted by mistake may be megabytes).
QString quoted(const QString &argument)
{
    constexpr qsizetype kShown = 64;
    QString shown;
    qsizetype count = 0; // characters shown
    for (const char32_t c : argument.toUcs4()) {
        const bool control = c < 0x20 || (c >= 0x7F && c < 0xA0);
        const QString piece = control ? escaped(char16_t(c)) : QString::fromUcs4(&c, 1);
        count += control ? piece.size() : 1;
        if (count > kShown) {
            shown += u'…';
            break;
        }
        shown += piece;
    }
    return QLatin1Char('\'') + shown + QLatin1Char('\'');
}

// The number of "COMn" (any case), 1 to kHighestComNumber; 0 for anything else.
int comNumberOf(const QString &value)
{
    if (!value.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) || value.size() < 4 ||
        value.size() > 6)
        return 0;
    int number = 0;
    for (const QChar c : value.mid(3)) {
        if (c < u'0' || c > u'9')
            return 0;
        number = number * 10 + (c.unicode() - u'0');
    }
    const bool leadingZero = value[3] == u'0';
    return !leadingZero && number <= CommandLine::kHighestComNumber ? number : 0;
}

} // namespace

namespace CommandLine {

Reading read(const QStringList &arguments)
{
    Reading reading;
    bool optionsEnded = false;
    // Which of two values was meant cannot be known: a script that repeats
    // one is told rather than guessed for.
    bool profileGiven = false;
    bool portGiven = false;
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
            return answer(Request::Help, helpText());
        if (argument == QLatin1String("-v") || argument == QLatin1String("--version"))
            return answer(Request::Version, QStringLiteral("Lintrova " LINTROVA_VERSION "\n"));

        // Lintrova's own options, with two dashes only.
        const qsizetype ownEquals = argument.indexOf(QLatin1Char('='));
        const QString own = argument.left(ownEquals < 0 ? argument.size() : ownEquals);
        if (own == QLatin1String("--profile") || own == QLatin1String("--port")) {
            QString value;
            if (ownEquals >= 0) {
                value = argument.mid(ownEquals + 1);
            } else {
                if (std::next(it) == arguments.cend())
                    return refusal(QStringLiteral("option ") + quoted(argument) +
                                   QStringLiteral(" needs a value"));
                value = *++it;
            }
            bool &given = own == QLatin1String("--profile") ? profileGiven : portGiven;
            if (std::exchange(given, true))
                return refusal(QStringLiteral("option ") + quoted(own) +
                               QStringLiteral(" given twice"));
            if (own == QLatin1String("--profile")) {
                if (!SystemFolders::IsProfileName(value))
                    return refusal(QStringLiteral("invalid profile name ") + quoted(value) +
                                   QStringLiteral(": use letters, digits, '-' and '_', at most "
                                                  "32, not beginning with '-'"));
                reading.profile = value;
            } else {
                reading.comNumber = comNumberOf(value);
                if (reading.comNumber == 0)
                    return refusal(QStringLiteral("invalid port ") + quoted(value) +
                                   QStringLiteral(": give COM1 to COM256"));
            }
            continue;
        }

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

QString programVersion()
{
    return QStringLiteral(LINTROVA_VERSION);
}

} // namespace CommandLine
