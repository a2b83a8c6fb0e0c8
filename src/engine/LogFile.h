#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

class TrafficLog;

// The traffic log as a text file: one file line per log line, in UTF-8, made
// from the bytes of the line, whatever the view: every control character
// spelled as a token (so a raw CR or LF inside a line cannot split it), NUL
// as "<0>", and '<' and '>' as "<0x3C>" and "<0x3E>", each line ended by LF
// (spellSavedForm). Read from left to right, every token stands for one byte
// and every other character for its byte in the codec, so a file line gives
// back exactly the bytes of its log line, and its content sent from the send
// box sends them. The same text is what "copy all" puts on the clipboard.
//
// A saved or recorded file begins with a header line and marks each new UTC
// day, since a log line shows only the time of day:
//   # Lintrova 2018.1.0  COM1 = /dev/ttyUSB0  9600 8N1  2026-12-07 (UTC)
//   # 2026-12-08 (UTC)
// A data line always begins with a digit of its time, never with '#'; an
// event of the port is such a comment line as the log shows it:
//   # 09:05:03.007 COM1 opened: 9600 8N1
namespace LogFile {

QByteArray text(const TrafficLog &log);

// The header line with its LF: the program and its version, the port the
// lines came from (left out when empty) and the UTC date.
QByteArray headerLine(const QString &port, QDate utcDate);
// The line before the first line of a new UTC day, with its LF.
QByteArray dayLine(QDate utcDate);
// The UTC day of a time in milliseconds since the epoch, as a day number.
qint64 utcDay(qint64 msecs);
QDate dateOfDay(qint64 day);

// Appends one log line (the codec's bytes) to out in the file's form, with its LF.
void appendLine(QByteArray &out, const QByteArray &lineBytes);

// Writes the header (the date of the first line; of now for an empty log)
// and the text to path, with a day line before the first line of each new
// UTC day, replacing the file there only once the new one is complete.
// Answers 0, or the errno of the failure; the old file then stays.
int save(const TrafficLog &log, const QString &path, const QString &port, const QDateTime &now);

// Where the window keeps the log of its last run: LastLog.txt in its data
// folder (which ends with the path separator).
QString lastLogPath(const QString &dataFolder);

} // namespace LogFile
