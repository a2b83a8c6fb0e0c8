#include "engine/PlotNumbers.h"

#include "text/Codec.h"

#include <array>
#include <charconv>
#include <cmath>
#include <optional>

namespace PlotNumbers {

namespace {

constexpr qsizetype kLongestName = 32;

enum Kind : quint8 { kOther, kSeparator, kBreak, kNameChar };

// What each byte is to the reader. Letters are those of the codec's
// character, so a name may hold "ä" as it is shown in the log.
const std::array<Kind, 256> &kinds()
{
    static const std::array<Kind, 256> table = [] {
        std::array<Kind, 256> t{};
        for (int byte = 0; byte < 256; ++byte) {
            const QChar ch = Codec::charFromByte(uchar(byte));
            if (byte == ',' || byte == ';' || byte == ' ' || byte == '\t')
                t[byte] = kSeparator;
            else if (byte == '\r' || byte == '\n')
                t[byte] = kBreak;
            else if (ch.isLetter() || ch.isDigit() || byte == '_' || byte == '-')
                t[byte] = kNameChar;
            else
                t[byte] = kOther;
        }
        return t;
    }();
    return table;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

class RecordReader {
public:
    explicit RecordReader(QByteArrayView text) : m_text(text) {}

    Record read()
    {
        while (m_at < m_text.size()) {
            if (isSeparator(m_at)) {
                ++m_at;
                continue;
            }
            if (!readNamed() && !readPlain())
                skipField();
        }
        return m_record;
    }

private:
    bool isSeparator(qsizetype at) const { return kinds()[uchar(m_text[at])] == kSeparator; }
    bool endsField(qsizetype at) const { return at == m_text.size() || isSeparator(at); }
    qsizetype skipBlanks(qsizetype at) const
    {
        while (at < m_text.size() && (m_text[at] == ' ' || m_text[at] == '\t'))
            ++at;
        return at;
    }

    // The end of the number from `at` on; `at` itself when none starts there.
    qsizetype numberEnd(qsizetype at) const
    {
        const qsizetype n = m_text.size();
        qsizetype i = at;
        if (i < n && (m_text[i] == '+' || m_text[i] == '-'))
            ++i;
        qsizetype digits = 0;
        for (; i < n && isDigit(m_text[i]); ++i)
            ++digits;
        if (i < n && m_text[i] == '.')
            for (++i; i < n && isDigit(m_text[i]); ++i)
                ++digits;
        if (digits == 0)
            return at;
        if (i < n && (m_text[i] == 'e' || m_text[i] == 'E')) {
            qsizetype e = i + 1;
            if (e < n && (m_text[e] == '+' || m_text[e] == '-'))
                ++e;
            if (e < n && isDigit(m_text[e])) {
                while (e < n && isDigit(m_text[e]))
                    ++e;
                i = e;
            }
        }
        return i;
    }

    // The number from `at` when it fills its field, else nothing; m_at is
    // then past it.
    std::optional<double> wholeNumber(qsizetype at)
    {
        const qsizetype end = numberEnd(at);
        if (end == at || !endsField(end))
            return std::nullopt;
        const char *first = m_text.data() + at + (m_text[at] == '+' ? 1 : 0);
        double value = 0;
        const auto [ptr, error] = std::from_chars(first, m_text.data() + end, value);
        if (error != std::errc() || ptr != m_text.data() + end || !std::isfinite(value))
            return std::nullopt;
        m_at = end;
        return value;
    }

    bool readNamed()
    {
        qsizetype nameEnd = m_at;
        while (nameEnd < m_text.size() && nameEnd - m_at <= kLongestName &&
               kinds()[uchar(m_text[nameEnd])] == kNameChar)
            ++nameEnd;
        if (nameEnd == m_at || nameEnd - m_at > kLongestName)
            return false;
        const qsizetype mark = skipBlanks(nameEnd);
        if (mark >= m_text.size() || (m_text[mark] != ':' && m_text[mark] != '='))
            return false;
        const qsizetype start = m_at;
        const std::optional<double> value = wholeNumber(skipBlanks(mark + 1));
        if (!value)
            return false;
        const QString name = Codec::toText(m_text.sliced(start, nameEnd - start));
        for (Value &earlier : m_record) {
            if (earlier.name == name) {
                earlier.value = *value;
                return true;
            }
        }
        m_record.append({name, 0, *value});
        return true;
    }

    bool readPlain()
    {
        const std::optional<double> value = wholeNumber(m_at);
        if (!value)
            return false;
        m_record.append({QString(), ++m_position, *value});
        return true;
    }

    void skipField()
    {
        while (m_at < m_text.size() && !isSeparator(m_at))
            ++m_at;
    }

    QByteArrayView m_text;
    qsizetype m_at = 0;
    int m_position = 0;
    Record m_record;
};

} // namespace

QList<Record> read(QByteArrayView content)
{
    QList<Record> records;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= content.size(); ++i) {
        if (i < content.size() && kinds()[uchar(content[i])] != kBreak)
            continue;
        if (i > start) {
            Record record = RecordReader(content.sliced(start, i - start)).read();
            if (!record.isEmpty())
                records.append(std::move(record));
        }
        start = i + 1;
    }
    return records;
}

} // namespace PlotNumbers
