#include "engine/LogFile.h"

#include "app/ReplacingFile.h"
#include "engine/TrafficLog.h"
#include "text/Codec.h"
#include "text/Tokens.h"

#include <array>

namespace {

// The saved form of every byte of a line, in UTF-8: one table look-up per
// character instead of three conversions of each line.
const std::array<QByteArray, 256> &savedForms()
{
    static const std::array<QByteArray, 256> forms = [] {
        std::array<QByteArray, 256> table;
        for (int byte = 0; byte < 256; ++byte)
            table[byte] = SpellControlChars(QString(Codec::charFromByte(uchar(byte)))).toUtf8();
        return table;
    }();
    return forms;
}

void appendLine(QByteArray &out, const QByteArray &line)
{
    const auto &forms = savedForms();
    for (const char byte : line)
        out.append(forms[uchar(byte)]);
    out.append('\n');
}

constexpr qsizetype kChunk = 1 << 20;

} // namespace

namespace LogFile {

QByteArray text(const TrafficLog &log)
{
    QByteArray out;
    for (int i = 0; i < log.count(); ++i)
        appendLine(out, log.lineBytes(i));
    return out;
}

int save(const TrafficLog &log, const QString &path)
{
    ReplacingFile file(path);
    if (!file.open())
        return file.error();
    QByteArray chunk;
    chunk.reserve(kChunk + 16 * 1024);
    for (int i = 0; i < log.count(); ++i) {
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

} // namespace LogFile
