#include "app/IniText.h"

#include "text/Codec.h"

#include <QSet>

#include <array>
#include <cstring>

namespace {

constexpr QByteArrayView kByteOrderMark("\xEF\xBB\xBF");

struct Line {
    qsizetype begin = 0;      // first byte of the content
    qsizetype contentEnd = 0; // end of the content, line end excluded
    qsizetype end = 0;        // first byte of the next line
};

enum class Kind { Ignored, Section, Key };

struct ParsedLine {
    Kind kind = Kind::Ignored;
    QByteArrayView name;
    QByteArrayView value;
};

// A line with the name it addresses and where it lies.
struct Location {
    std::optional<Line> header;      // first section of the wanted name
    std::optional<Line> keyLine;     // first key of the wanted name in it
    std::optional<Line> lastKeyLine; // last key line of that section so far
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView text)
{
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && isBlank(text[b]))
        ++b;
    while (e > b && isBlank(text[e - 1]))
        --e;
    return text.sliced(b, e - b);
}

// Lower-case byte of every byte, so that names compare like the characters
// they stand for (0xC4 'Ä' equals 0xE4 'ä', 0x8A 'Š' equals 0x9A 'š').
const std::array<uchar, 256> &foldTable()
{
    static const std::array<uchar, 256> table = [] {
        std::array<uchar, 256> t{};
        for (int b = 0; b < 256; ++b) {
            const auto lower = Codec::byteFromChar(Codec::charFromByte(uchar(b)).toLower());
            t[b] = lower ? *lower : uchar(b);
        }
        return t;
    }();
    return table;
}

QByteArray folded(QByteArrayView name)
{
    const auto &fold = foldTable();
    QByteArray out(name.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < name.size(); ++i)
        out[i] = char(fold[uchar(name[i])]);
    return out;
}

bool namesEqual(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    const auto &fold = foldTable();
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (fold[uchar(a[i])] != fold[uchar(b[i])])
            return false;
    }
    return true;
}

qsizetype bomLength(QByteArrayView file)
{
    return file.startsWith(kByteOrderMark) ? kByteOrderMark.size() : 0;
}

ParsedLine parse(QByteArrayView content)
{
    const QByteArrayView text = trimmed(content);
    if (text.isEmpty() || text[0] == ';' || text[0] == '#')
        return {};
    if (text[0] == '[') {
        const qsizetype close = text.indexOf(']');
        if (close < 0)
            return {};
        return {Kind::Section, trimmed(text.sliced(1, close - 1)), {}};
    }
    const qsizetype eq = text.indexOf('=');
    if (eq < 0)
        return {};
    const QByteArrayView name = trimmed(text.first(eq));
    if (name.isEmpty())
        return {};
    return {Kind::Key, name, trimmed(text.sliced(eq + 1))};
}

// Calls visit(line) for each line until it returns false.
template <class Visit> void forEachLine(QByteArrayView file, Visit &&visit)
{
    qsizetype pos = bomLength(file);
    const qsizetype size = file.size();
    while (pos < size) {
        const void *lf = std::memchr(file.data() + pos, '\n', size_t(size - pos));
        Line line;
        line.begin = pos;
        line.end = lf ? static_cast<const char *>(lf) - file.data() + 1 : size;
        line.contentEnd = lf ? line.end - 1 : line.end;
        if (line.contentEnd > line.begin && file[line.contentEnd - 1] == '\r')
            --line.contentEnd;
        if (!visit(line))
            return;
        pos = line.end;
    }
}

QByteArrayView contentOf(QByteArrayView file, const Line &line)
{
    return file.sliced(line.begin, line.contentEnd - line.begin);
}

Location locate(QByteArrayView file, QByteArrayView section, QByteArrayView key)
{
    Location where;
    forEachLine(file, [&](const Line &line) {
        const ParsedLine parsed = parse(contentOf(file, line));
        if (parsed.kind == Kind::Section) {
            if (where.header)
                return false; // the wanted section has ended
            if (namesEqual(parsed.name, section))
                where.header = line;
        } else if (parsed.kind == Kind::Key && where.header) {
            where.lastKeyLine = line;
            if (namesEqual(parsed.name, key)) {
                where.keyLine = line;
                return false;
            }
        }
        return true;
    });
    return where;
}

QByteArray lineEndOf(QByteArrayView file)
{
    const qsizetype lf = file.indexOf('\n');
    if (lf > 0 && file[lf - 1] == '\r')
        return QByteArrayLiteral("\r\n");
    if (lf >= 0)
        return QByteArrayLiteral("\n");
    return QByteArrayLiteral("\r\n");
}

// What must come before a line appended at the end of the file so that it
// starts a line of its own.
QByteArray terminatorBeforeAppending(QByteArrayView file, QByteArrayView lineEnd)
{
    if (file.size() <= bomLength(file) || file.endsWith('\n'))
        return {};
    if (file.endsWith('\r'))
        return QByteArrayLiteral("\n");
    return lineEnd.toByteArray();
}

QByteArray unquoted(QByteArrayView value)
{
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        value = value.sliced(1, value.size() - 2);
    return value.toByteArray();
}

QByteArray keyLine(QByteArrayView key, QByteArrayView valueField)
{
    return key.toByteArray() + '=' + valueField.toByteArray();
}

} // namespace

namespace IniText {

std::optional<QByteArray> findValue(QByteArrayView file, QByteArrayView section,
                                    QByteArrayView key)
{
    const Location where = locate(file, section, key);
    if (!where.keyLine)
        return std::nullopt;
    return unquoted(parse(contentOf(file, *where.keyLine)).value);
}

QList<std::pair<QByteArray, QByteArray>> sectionValues(QByteArrayView file, QByteArrayView section)
{
    QList<std::pair<QByteArray, QByteArray>> values;
    QSet<QByteArray> seen;
    bool inSection = false;
    forEachLine(file, [&](const Line &line) {
        const ParsedLine parsed = parse(contentOf(file, line));
        if (parsed.kind == Kind::Section) {
            if (inSection)
                return false; // only the first section of the name counts
            inSection = namesEqual(parsed.name, section);
        } else if (parsed.kind == Kind::Key && inSection) {
            const QByteArray name = folded(parsed.name);
            if (!seen.contains(name)) {
                seen.insert(name);
                values.append({parsed.name.toByteArray(), unquoted(parsed.value)});
            }
        }
        return true;
    });
    return values;
}

QByteArray withValue(QByteArrayView file, QByteArrayView section, QByteArrayView key,
                     QByteArrayView valueField)
{
    const Location where = locate(file, section, key);
    const QByteArray lineEnd = lineEndOf(file);
    QByteArray out;
    out.reserve(file.size() + section.size() + key.size() + valueField.size() + 8);
    if (where.keyLine) {
        out += file.first(where.keyLine->begin);
        out += keyLine(key, valueField);
        out += file.sliced(where.keyLine->contentEnd);
    } else if (where.header) {
        const Line &anchor = where.lastKeyLine ? *where.lastKeyLine : *where.header;
        const QByteArrayView before = file.first(anchor.end);
        out += before;
        if (anchor.end == file.size())
            out += terminatorBeforeAppending(file, lineEnd);
        out += keyLine(key, valueField) + lineEnd;
        out += file.sliced(anchor.end);
    } else {
        out += file;
        out += terminatorBeforeAppending(file, lineEnd);
        out += '[' + section.toByteArray() + ']' + lineEnd;
        out += keyLine(key, valueField) + lineEnd;
    }
    return out;
}

QByteArray quotedIfNeeded(QByteArrayView value)
{
    const bool blankAtEdge = !value.isEmpty() && (isBlank(value[0]) || isBlank(value.back()));
    const bool enclosed = value.size() >= 2 && (value[0] == '"' || value[0] == '\'') &&
                          value.back() == value[0];
    if (blankAtEdge || enclosed)
        return '"' + value.toByteArray() + '"';
    return value.toByteArray();
}

} // namespace IniText
