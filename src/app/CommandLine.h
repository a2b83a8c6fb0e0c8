#pragma once

#include <QString>
#include <QStringList>

// The program's arguments, read before the application object exists so
// that --help and --version answer without a display. Lintrova's own options
// are --profile NAME (a data folder of the window's own, see
// SystemFolders::SetProfile) and --port COMn (the port to open in this run);
// Qt's own options (-platform, -display, -style ...) are left for the
// application object, anything else is refused. Only reads and answers:
// printing and ending the program are the caller's.
namespace CommandLine {

enum class Request {
    Start,   // start the window; Qt takes its options from the arguments
    Help,    // print output on standard output, status 0
    Version, // print output on standard output, status 0
    Refuse,  // print output on standard error, status kRefusedStatus
};

struct Reading {
    Request request = Request::Start;
    QString output; // what to print for Help, Version and Refuse
    // Start only: -platform or -display name where the window goes, so the
    // environment need not name a display.
    bool displayNamed = false;
    // Start only: --profile's name (empty without one) and --port's COM
    // number (0 without one). Either one given twice is refused.
    QString profile;
    int comNumber = 0;
};

// The highest COM number --port takes, as Ports.ini numbers them.
constexpr int kHighestComNumber = 256;

// The status for arguments that are refused, as for any misuse of a command.
constexpr int kRefusedStatus = 2;

// arguments come without the program's name. They are read in order and the
// first --help, --version or refused argument decides, so an argument after
// --help is not looked at. A Qt option's value is never read as an option.
// An option of Lintrova's own takes its value as the next argument or after
// '=' (--port=COM3); a value outside its rules is refused. A message shows an
// argument quoted, cut after 64 characters ("…"), a control character by its
// C escape (\n, \x1b).
Reading read(const QStringList &arguments);

// The program's version, as --version prints it ("2018.1.0").
QString programVersion();

} // namespace CommandLine
