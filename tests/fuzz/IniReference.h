#pragma once

#include "text/Codec.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The INI rules read literally, one line after another, for the fuzz targets
// to compare the program's reader and writer with. Slow and simple on purpose.
namespace IniReference {

struct Parsed {
    enum Kind { Other, Section, Key } kind = Other;
    QByteArray name;
    QByteArray value; // of a key line, quotes removed
};

inline QByteArray trimBlanks(QByteArray text)
{
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove(0, 1);
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t'))
        text.chop(1);
    return text;
}

inline bool sameName(const QByteArray &a, const QByteArray &b)
{
    return QString::compare(Codec::toText(a), Codec::toText(b), Qt::CaseInsensitive) == 0;
}

// The lines of a file, each with its LF; the byte-order mark stays on the
// first line.
inline QList<QByteArray> rawLines(const QByteArray &file)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < file.size()) {
        qsizetype lf = file.indexOf('\n', start);
        const qsizetype end = lf < 0 ? file.size() : lf + 1;
        lines.append(file.mid(start, end - start));
        start = end;
    }
    return lines;
}

// A line without its line end: the LF, then one CR before it (or ending the
// file).
inline QByteArray contentOf(QByteArray line, bool first)
{
    if (first && line.startsWith("\xEF\xBB\xBF"))
        line.remove(0, 3);
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

inline Parsed parse(const QByteArray &content)
{
    const QByteArray text = trimBlanks(content);
    if (text.isEmpty() || text[0] == ';' || text[0] == '#')
        return {};
    if (text[0] == '[') {
        const qsizetype close = text.indexOf(']');
        if (close < 0)
            return {};
        return {Parsed::Section, trimBlanks(text.mid(1, close - 1)), {}};
    }
    const qsizetype eq = text.indexOf('=');
    if (eq < 0)
        return {};
    const QByteArray name = trimBlanks(text.left(eq));
    if (name.isEmpty())
        return {};
    QByteArray value = trimBlanks(text.mid(eq + 1));
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        value = value.mid(1, value.size() - 2);
    return {Parsed::Key, name, value};
}

// The value of key in the first section named section, the first key of
// that name in it; nothing when there is none.
inline std::optional<QByteArray> value(const QByteArray &file, const QByteArray &section,
                                       const QByteArray &key)
{
    const QList<QByteArray> lines = rawLines(file);
    bool inWanted = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Parsed line = parse(contentOf(lines[i], i == 0));
        if (line.kind == Parsed::Section) {
            if (inWanted)
                return std::nullopt;
            inWanted = sameName(line.name, section);
        } else if (line.kind == Parsed::Key && inWanted && sameName(line.name, key)) {
            return line.value;
        }
    }
    return std::nullopt;
}

// Every (section, key) name pair that a key line of the file spells.
inline QList<std::pair<QByteArray, QByteArray>> names(const QByteArray &file)
{
    QList<std::pair<QByteArray, QByteArray>> pairs;
    const QList<QByteArray> lines = rawLines(file);
    std::optional<QByteArray> section;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Parsed line = parse(contentOf(lines[i], i == 0));
        if (line.kind == Parsed::Section)
            section = line.name;
        else if (line.kind == Parsed::Key && section)
            pairs.append({*section, line.name});
    }
    return pairs;
}

} // namespace IniReference
