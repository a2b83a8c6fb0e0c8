#include "engine/LogFile.h"

#include "app/CommandLine.h"
#include "app/ReplacingFile.h"
#include "engine/TrafficLog.h"
#include "text/Codec.h"
#include "text/Tokens.h"

#include <array>
#include <cstring>

namespace {

// The saved form of a byte in UTF-8: itself, two or three bytes for the upper
// half of the character set, or a token of up to five characters.
struct SavedForm {
    std::array<char, 8> bytes{};
    int size = 0;
};

// One table look-up per character instead of three conversions of each line.
const std::array<SavedForm, 256> &savedForms()
{
    static const std::array<SavedForm, 256> forms = [] {
        std::array<SavedForm, 256> table;
        for (int byte = 0; byte < 256; ++byte) {
            // A bracket of the line is a token too, so that no character of
            // the line can be taken for a token: '<STX>' received as text
            // is saved as '<0x3C>STX<0x3E>', the byte 2 as '<STX>'.
            const QChar ch = Codec::charFromByte(uchar(byte));
            const QByteArray utf8 = spellSavedForm(QStringView(&ch, 1)).toUtf8();
            table[byte].size = int(utf8.size());
            std::copy(utf8.begin(), utf8.end(), table[byte].bytes.begin());
        }
        return table;
    }();
    return forms;
}

constexpr qsizetype kChunk = 1 << 20;
constexpr qint64 kMsecsPerDay = 24 * 60 * 60 * 1000;

QString dateText(QDate utcDate)
{
    return utcDate.toString(Qt::ISODate) + QStringLiteral(" (UTC)");
}

} // namespace

namespace LogFile {

void appendLine(QByteArray &out, const QByteArray &line)
{
    if (TrafficLog::isEventBytes(line)) {
        // A comment line as it stands, which readers of the data pass by.
        out.append(Codec::toText(line).toUtf8());
        out.append('\n');
        return;
    }
    const auto &forms = savedForms();
    const qsizetype start = out.size();
    out.resize(start + line.size() * qsizetype(sizeof(SavedForm::bytes)) + 1);
    char *at = out.data() + start;
    for (const char byte : line) {
        const SavedForm &form = forms[uchar(byte)];
        std::memcpy(at, form.bytes.data(), sizeof(SavedForm::bytes)); // the room is there
        at += form.size;
    }
    *at++ = '\n';
    out.resize(at - out.constData());
}

QByteArray text(const TrafficLog &log)
{
    QByteArray out;
    for (int i = 0; i < log.count(); ++i)
        appendLine(out, log.lineBytes(i));
    return out;
}

QByteArray headerLine(const QString &port, QDate utcDate)
{
    QString line = QStringLiteral("# Lintrova ") + CommandLine::programVersion() +
                   QStringLiteral("  ");
    if (!port.isEmpty())
        line += port + QStringLiteral("  ");
    // A line break in the port's name would start a line that is no log line.
    for (QChar &ch : line) {
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7F)
            ch = u' ';
    }
    return (line + dateText(utcDate) + u'\n').toUtf8();
}

QByteArray dayLine(QDate utcDate)
{
    return (QStringLiteral("# ") + dateText(utcDate) + u'\n').toUtf8();
}

qint64 utcDay(qint64 msecs)
{
    // Rounded down, so that a time before 1970 is not put into the day after.
    return msecs >= 0 ? msecs / kMsecsPerDay : -((-msecs + kMsecsPerDay - 1) / kMsecsPerDay);
}

QDate dateOfDay(qint64 day)
{
    return QDate(1970, 1, 1).addDays(day);
}

int save(const TrafficLog &log, const QString &path, const QString &port, const QDateTime &now)
{
    ReplacingFile file(path);
    if (!file.open())
        return file.error();
    QByteArray chunk;
    chunk.reserve(kChunk + 16 * 1024);
    qint64 day = utcDay(log.count() > 0 ? log.utcMsecs(0) : now.toMSecsSinceEpoch());
    chunk.append(headerLine(port, dateOfDay(day)));
    for (int i = 0; i < log.count(); ++i) {
        const qint64 lineDay = utcDay(log.utcMsecs(i));
        if (lineDay != day) {
            day = lineDay;
            chunk.append(dayLine(dateOfDay(day)));
        }
        appendLine(chunk, log.lineBytes(i));
        if (chunk.size() >= kChunk) {
            if (!file.write(chunk))
                return file.error();
            chunk.resize(0); // keeps the buffer
        }
    }
    if (!file.write(chunk) || !file.commit())
        return file.error();
    return 0;
}

QString lastLogPath(const QString &dataFolder)
{
    return dataFolder + QStringLiteral("LastLog.txt");
}

} // namespace LogFile
