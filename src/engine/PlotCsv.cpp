#include "engine/PlotCsv.h"

#include "engine/PlotSeries.h"

#include <QDateTime>

#include <charconv>
#include <limits>
#include <vector>

namespace PlotCsv {

namespace {

void appendValue(QByteArray &out, double value)
{
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr - digits);
}

void appendTime(QByteArray &out, qint64 msecs)
{
    out.append(
        QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC).toString(Qt::ISODateWithMs).toLatin1());
}

} // namespace

// The series' points are each in the order of their records: one pass
// takes, for every record, the points of all series that belong to it.
QByteArray text(const PlotSeries &series)
{
    const int count = series.count();
    QByteArray out("time");
    for (int s = 0; s < count; ++s)
        out.append(',').append(series.label(s).toUtf8());
    out.append("\r\n");
    std::vector<qsizetype> next(std::size_t(count), 0);
    for (;;) {
        qint64 record = std::numeric_limits<qint64>::max();
        qint64 msecs = 0;
        for (int s = 0; s < count; ++s) {
            if (next[s] < series.size(s) && series.point(s, next[s]).record < record) {
                record = series.point(s, next[s]).record;
                msecs = series.point(s, next[s]).msecs;
            }
        }
        if (record == std::numeric_limits<qint64>::max())
            break;
        appendTime(out, msecs);
        for (int s = 0; s < count; ++s) {
            out.append(',');
            if (next[s] < series.size(s) && series.point(s, next[s]).record == record)
                appendValue(out, series.point(s, next[s]++).value);
        }
        out.append("\r\n");
    }
    return out;
}

} // namespace PlotCsv
