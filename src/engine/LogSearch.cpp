#include "engine/LogSearch.h"

#include "text/Codec.h"

#include <QByteArrayView>

#include <cstring>

namespace {

// Each byte folded to its lower-case character's byte, where the character
// set has one.
std::array<uchar, 256> foldTable()
{
    std::array<uchar, 256> fold{};
    for (int b = 0; b < 256; ++b) {
        const std::optional<uchar> lower = Codec::byteFromChar(
            Codec::charFromByte(uchar(b)).toLower());
        fold[b] = lower ? *lower : uchar(b);
    }
    return fold;
}

// "D2 16" or "d216": the bytes, or nothing for any other text.
std::optional<QByteArray> hexPairs(const QString &text)
{
    QByteArray bytes;
    for (const QString &word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (word.size() % 2 != 0)
            return std::nullopt;
        for (qsizetype i = 0; i < word.size(); i += 2) {
            bool ok = false;
            const uint value = word.mid(i, 2).toUInt(&ok, 16);
            if (!ok || word[i] == u'+' || word[i] == u'-')
                return std::nullopt;
            bytes.append(char(value));
        }
    }
    if (bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

// The shown characters of a line's byte: the byte itself or its token.
QByteArrayView piece(const uchar &byte, bool tokens)
{
    if (tokens) {
        const QByteArrayView token = TrafficLog::displayToken(byte);
        if (!token.isEmpty())
            return token;
    }
    return QByteArrayView(reinterpret_cast<const char *>(&byte), 1);
}

} // namespace

LogSearch::LogSearch(const QString &text, TrafficLog::Form form) : m_form(form)
{
    m_fold = foldTable();
    if (form == TrafficLog::Form::Hex) {
        const std::optional<QByteArray> bytes = hexPairs(text.simplified());
        m_valid = bytes.has_value();
        if (bytes)
            m_pattern = *bytes;
        return;
    }
    m_valid = !text.isEmpty();
    const std::optional<QByteArray> bytes = Codec::toBytes(text);
    m_unmatchable = !bytes;
    if (!m_valid || m_unmatchable)
        return;
    m_pattern = *bytes;
    for (char &byte : m_pattern)
        byte = char(m_fold[uchar(byte)]);
    const uchar first = uchar(m_pattern[0]);
    for (int b = 0; b < 256; ++b) {
        m_startsRaw[b] = m_fold[b] == first;
        const QByteArrayView token = TrafficLog::displayToken(uchar(b));
        m_startsToken[b] = token.isEmpty() ? m_startsRaw[b] : false;
        for (const char c : token)
            m_startsToken[b] = m_startsToken[b] || m_fold[uchar(c)] == first;
    }
    // A few bytes that may begin a match are looked for with memchr.
    for (int b = 0; b < 256; ++b) {
        if (m_startsRaw[b])
            m_fewStartsRaw.push_back(uchar(b));
        if (m_startsToken[b])
            m_fewStartsToken.push_back(uchar(b));
    }
    for (std::vector<uchar> *few : {&m_fewStartsRaw, &m_fewStartsToken})
        if (few->size() > kFewStarts)
            few->clear();
}

// The first place from `from` on that holds one of the bytes, or size.
qsizetype LogSearch::nextOf(const std::vector<uchar> &bytes, const uchar *data, qsizetype from,
                            qsizetype size)
{
    qsizetype next = size;
    for (const uchar byte : bytes) {
        const void *at = std::memchr(data + from, byte, std::size_t(next - from));
        if (at)
            next = static_cast<const uchar *>(at) - data;
    }
    return next;
}

std::optional<LogSearch::Match> LogSearch::find(const TrafficLog &log, int from,
                                                bool backwards) const
{
    const int count = log.count();
    if (!m_valid || count == 0)
        return std::nullopt;
    from = ((from % count) + count) % count;
    for (int step = 0; step < count; ++step) {
        const int row = backwards ? (from - step + count) % count : (from + step) % count;
        if (const std::optional<Match> match = matchIn(log, row))
            return match;
    }
    return std::nullopt;
}

std::optional<LogSearch::Match> LogSearch::matchIn(const TrafficLog &log, int row) const
{
    if (!m_valid || m_unmatchable || row < 0 || row >= log.count() || !log.isDataLine(row))
        return std::nullopt;
    return m_form == TrafficLog::Form::Hex ? matchInHex(log, row) : matchInText(log, row);
}

// Each place of the first byte is found by memchr, which looks at many bytes
// at a time; the rest is compared there.
std::optional<LogSearch::Match> LogSearch::matchInHex(const TrafficLog &log, int row) const
{
    const QByteArray &line = log.lineBytes(row);
    const char *start = line.constData() + TrafficLog::kPrefixLength;
    const char *end = line.constData() + line.size();
    const qsizetype length = m_pattern.size();
    for (const char *at = start; end - at >= length; ++at) {
        at = static_cast<const char *>(std::memchr(at, m_pattern[0], std::size_t(end - at)));
        if (!at || end - at < length)
            return std::nullopt;
        if (std::memcmp(at, m_pattern.constData(), std::size_t(length)) == 0)
            return Match{row, int(TrafficLog::kPrefixLength + 3 * (at - start)),
                         int(3 * length - 1)};
    }
    return std::nullopt;
}

// Walks the line's bytes; only where a byte's shown characters may begin the
// pattern is the pattern compared, across the following bytes' characters.
std::optional<LogSearch::Match> LogSearch::matchInText(const TrafficLog &log, int row) const
{
    const TrafficLog::TextForm form = log.textForm(row);
    // A typed text is shown as it is: its bytes are the line.
    const QByteArray typed = form == TrafficLog::TextForm::Typed
                                 ? log.shownBytes(row, TrafficLog::Form::Text)
                                 : QByteArray();
    const QByteArray &bytes = form == TrafficLog::TextForm::Typed ? typed : log.lineBytes(row);
    const bool tokens = form == TrafficLog::TextForm::Tokens;
    const std::array<bool, 256> &starts = tokens ? m_startsToken : m_startsRaw;
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype size = bytes.size();
    const qsizetype length = m_pattern.size();
    const std::vector<uchar> &few = tokens ? m_fewStartsToken : m_fewStartsRaw;
    for (qsizetype i = 0; i < size; ++i) {
        if (!few.empty()) {
            i = nextOf(few, data, i, size);
            if (i >= size)
                break;
        } else if (!starts[data[i]]) {
            continue;
        }
        const QByteArrayView first = piece(data[i], tokens);
        for (qsizetype offset = 0; offset < first.size(); ++offset) {
            qsizetype at = i, within = offset, matched = 0;
            while (matched < length && at < size) {
                const QByteArrayView shown = piece(data[at], tokens);
                if (m_fold[uchar(shown[within])] != uchar(m_pattern[matched]))
                    break;
                ++matched;
                if (++within == shown.size()) {
                    ++at;
                    within = 0;
                }
            }
            if (matched < length)
                continue;
            // The column: the shown characters of the bytes before.
            qsizetype column = offset;
            for (qsizetype before = 0; before < i; ++before)
                column += piece(data[before], tokens).size();
            return Match{row, int(column), int(length)};
        }
    }
    return std::nullopt;
}
