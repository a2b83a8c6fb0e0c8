#include "engine/LogFile.h"

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
            // is saved as '<60>STX<62>', the byte 2 as '<STX>'.
            const QChar ch = Codec::charFromByte(uchar(byte));
            const QString spelled = ch == u'<' || ch == u'>' ? u'<' + QString::number(byte) + u'>'
                                                             : SpellControlChars(QString(ch));
            const QByteArray utf8 = spelled.toUtf8();
            table[byte].size = int(utf8.size());
            std::copy(utf8.begin(), utf8.end(), table[byte].bytes.begin());
        }
        return table;
    }();
    return forms;
}

constexpr qsizetype kChunk = 1 << 20;

} // namespace

namespace LogFile {

void appendLine(QByteArray &out, const QByteArray &line)
{
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
