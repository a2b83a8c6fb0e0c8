#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// Where the main window was when a run ended, in twips as the window's other
// measures, from the keys WindowLeft, WindowTop, WindowWidth, WindowHeight
// and WindowMaximized of the settings file: the normal (not maximized)
// geometry, and whether the window was maximized. PlotHeight is the plot's
// share of the log's room (key PlotHeight), 0 before the plot was shown.
struct WindowPlace {
    qint32 Left = 0;
    qint32 Top = 0;
    qint32 Width = 0;
    qint32 Height = 0;
    quint8 Maximized = 0;
    qint32 PlotHeight = 0;
    bool operator==(const WindowPlace &other) const
    {
        return Left == other.Left && Top == other.Top && Width == other.Width &&
               Height == other.Height && Maximized == other.Maximized &&
               PlotHeight == other.PlotHeight;
    }
    bool operator!=(const WindowPlace &other) const { return !(*this == other); }
};

// The rates a port can be set to (BaudrateValue, a typed rate).
inline constexpr qint32 kLowestBaud = 50;
inline constexpr qint32 kHighestBaud = 4000000;

// The settings record of the program. Byte flags are tested for the value 1
// (PrefixOption, ReadjustOption, DeleteSendChars, ShowOptions) or for any
// value other than 0 (RTS, DTR, Peculiar).
struct SettingsRecord {
    quint8 ComPort = 0;        // zero-based: COMn is ComPort + 1
    quint8 Baudrate = 0;       // index into the baud-rate table
    qint32 BaudrateValue = 0;  // bits per second of a rate outside the table; 0: Baudrate holds
    quint8 Dataformat = 0;     // index into the data-format table
    quint8 Handshake = 0;      // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both
    quint8 RTS = 0;            // raise RTS around each transmission
    quint8 DTR = 0;            // DTR on while the port is open
    quint8 Peculiar = 0;       // show control characters as tokens
    quint8 Language = 0;       // 0 German, anything else English
    quint8 PrefixOption = 0;   // 1: PrefixChars goes in front of the send text
    quint8 ReadjustOption = 0; // 1: ReadjustChars is appended to the send text
    QString PrefixChars;       // token notation
    QString ReadjustChars;     // token notation
    quint8 DeleteSendChars = 0; // 1: the send box is emptied after sending
    quint8 ShowOptions = 0;     // 1: the repetition controls are visible
    qint16 CharDelay = 0;       // ms before each transmitted character
    qint16 WaitTime = 0;        // ms, carries txtWaitTime between runs
    quint8 RecordLog = 0;       // 1: the log was being recorded at the end of the last run
    QString RecordLogFile;      // the file it was recorded to last (see PathKeys)
    quint8 HexView = 0;         // 1: the log shows its lines in hex
    quint8 LineEnd = 0;         // 0 off, 1 LF, 2 CR, 3 CR LF: a received block also ends there
    quint8 CheckSum = 0;        // 0 off, 1-7: the checksum every [IN] line is checked with
    std::optional<WindowPlace> Window; // none: the window system places the window
    quint8 PlotView = 0;        // 1: the plot panel is shown under the log

    // Run-time values, never stored.
    QString LastErrorText;
    qint32 LastErrorNumber = 0;
    quint8 SpecialCharTarget = 0; // 0 txtPrefix, 1 txtReadjust, 2 ActiveTextBox
    QString DataFolder;           // always ends with the path separator
    // RecordLog and RecordLogFile are written only when this is set: they were
    // in the file, or the log was recorded. Users who never record keep their
    // file as it was.
    bool RecordLogKeys = false;
    // HexView is written only when this is set: it was in the file, or the
    // view was switched.
    bool HexViewKey = false;
    // LineEnd is written only when this is set: it was in the file, or the
    // user chose another one.
    bool LineEndKey = false;
    // CheckSum likewise: it was in the file, or the user chose one.
    bool CheckSumKey = false;
    // The same for PlotView.
    bool PlotViewKey = false;
    // BaudrateValue likewise: it was in the file, or the user typed a rate.
    bool BaudrateValueKey = false;
    // RecordLogFileUtf8 was in the file: it is written also when the path
    // does not need it, so that it never contradicts RecordLogFile.
    bool RecordLogFileUtf8Key = false;
    // The window keys are written only when this is set: the window was
    // moved or resized in this run.
    bool WindowKeys = false;
};

namespace modGlobal {

// The one process-wide record. Only the program's entry point reaches for it;
// everything else is handed a reference, so tests can use records of their own.
SettingsRecord &Settings();

} // namespace modGlobal
