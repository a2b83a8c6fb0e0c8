#pragma once

#include <QByteArray>
#include <QString>

class TrafficLog;

// The traffic log as a text file: one file line per log line, in UTF-8, made
// from the bytes of the line, whatever the view: every control character
// spelled as a token (so a raw CR or LF inside a line cannot split it), and
// '<' and '>' as "<60>" and "<62>", each line ended by LF. Read from left to
// right, every token stands for one byte and every other character for its
// byte in the codec, so a file line gives back exactly the bytes of its log
// line. The same text is what "copy all" puts on the clipboard.
namespace LogFile {

QByteArray text(const TrafficLog &log);

// Appends one log line (the codec's bytes) to out in the file's form, with its LF.
void appendLine(QByteArray &out, const QByteArray &lineBytes);

// Writes the text to path, replacing the file there only once the new one is
// complete. Answers 0, or the errno of the failure; the old file then stays.
int save(const TrafficLog &log, const QString &path);

} // namespace LogFile
