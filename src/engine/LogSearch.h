#pragma once

#include "engine/TrafficLog.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>
#include <vector>

// Finds lines of the traffic log as a view shows them, without building the
// shown text of every line.
//
// In the text view the search text is looked for in the line as shown (time,
// marker, control characters as tokens where the line shows them so),
// ignoring case as the character set has it: each character folds to the
// lower-case character of its byte where the character set has one. In the
// hex view the search text is hex pairs ("D2 16", "d216") and matches whole
// bytes of the content. Searches wrap around the end of the log and pass
// the port's event lines by.
class LogSearch {
public:
    struct Match {
        int row = -1;
        int column = 0; // first character of the match in the shown line
        int length = 0; // characters of the shown line it covers
        bool operator==(const Match &other) const
        {
            return row == other.row && column == other.column && length == other.length;
        }
    };

    LogSearch(const QString &text, TrafficLog::Form form);

    // Whether there is something to look for: not empty, and in the hex view
    // nothing but hex pairs.
    bool valid() const { return m_valid; }

    // The first match in the first line that has one, starting with the line
    // `from` and going on downwards (or upwards), around the end of the log
    // to the line before `from`.
    std::optional<Match> find(const TrafficLog &log, int from, bool backwards) const;
    // The first match in one line.
    std::optional<Match> matchIn(const TrafficLog &log, int row) const;

private:
    // Up to this many bytes that may begin a match are each looked for with
    // memchr; more are looked up byte by byte.
    static constexpr std::size_t kFewStarts = 4;
    static qsizetype nextOf(const std::vector<uchar> &bytes, const uchar *data, qsizetype from,
                            qsizetype size);
    std::optional<Match> matchInText(const TrafficLog &log, int row) const;
    std::optional<Match> matchInHex(const TrafficLog &log, int row) const;

    TrafficLog::Form m_form;
    bool m_valid = false;
    bool m_unmatchable = false; // a character without a byte: found nowhere
    QByteArray m_pattern;       // folded bytes (text view), bytes (hex view)
    std::array<uchar, 256> m_fold{};
    // Bytes whose shown characters may begin a match, shown as they are or
    // as their token.
    std::array<bool, 256> m_startsRaw{};
    std::array<bool, 256> m_startsToken{};
    std::vector<uchar> m_fewStartsRaw; // empty: too many
    std::vector<uchar> m_fewStartsToken;
};
