#include "engine/PlotSeries.h"

#include <algorithm>

bool PlotSeries::append(const QList<PlotNumbers::Record> &records, qint64 msecs)
{
    bool kept = false;
    for (const PlotNumbers::Record &record : records) {
        bool recordKept = false;
        for (const PlotNumbers::Value &value : record) {
            const int series = seriesFor(value);
            if (series < 0)
                continue;
            add(m_series[std::size_t(series)], {msecs, m_records, value.value});
            recordKept = true;
        }
        // Records whose values all went unkept leave no gap in the count.
        if (recordKept)
            ++m_records;
        kept = kept || recordKept;
    }
    return kept;
}

void PlotSeries::clear()
{
    m_series.clear();
    m_records = 0;
}

int PlotSeries::seriesFor(const PlotNumbers::Value &value)
{
    for (std::size_t i = 0; i < m_series.size(); ++i) {
        const PlotNumbers::Value &key = m_series[i].key;
        if (key.position == value.position && key.name == value.name)
            return int(i);
    }
    if (m_series.size() >= kMaxSeries)
        return -1;
    m_series.push_back({{value.name, value.position, 0}, {}, 0});
    return int(m_series.size()) - 1;
}

void PlotSeries::add(Series &series, const Point &point)
{
    if (qsizetype(series.points.size()) < kMaxPoints) {
        series.points.push_back(point);
        return;
    }
    series.points[series.start] = point;
    series.start = (series.start + 1) % series.points.size();
}

QString PlotSeries::label(int series) const
{
    const PlotNumbers::Value &key = m_series[std::size_t(series)].key;
    return key.name.isEmpty() ? QString::number(key.position) : key.name;
}

const PlotSeries::Point &PlotSeries::point(int series, qsizetype i) const
{
    const Series &s = m_series[std::size_t(series)];
    return s.points[(s.start + std::size_t(i)) % s.points.size()];
}

std::optional<qint64> PlotSeries::oldestMsecs() const
{
    std::optional<qint64> oldest;
    for (int s = 0; s < count(); ++s)
        if (size(s) > 0 && (!oldest || point(s, 0).msecs < *oldest))
            oldest = point(s, 0).msecs;
    return oldest;
}

std::optional<qint64> PlotSeries::newestMsecs() const
{
    std::optional<qint64> newest;
    for (int s = 0; s < count(); ++s)
        if (size(s) > 0 && (!newest || point(s, size(s) - 1).msecs > *newest))
            newest = point(s, size(s) - 1).msecs;
    return newest;
}

qsizetype PlotSeries::firstFrom(int series, qint64 msecs) const
{
    qsizetype low = 0;
    qsizetype high = size(series);
    while (low < high) {
        const qsizetype mid = low + (high - low) / 2;
        if (point(series, mid).msecs < msecs)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

// Drawn ten times a second over up to 100,000 points a series: the ring is
// walked without a division per point, and a point's column is worked out
// only when it leaves the time of the column before.
QList<PlotSeries::Column> PlotSeries::columns(int series, qint64 from, qint64 to, int width) const
{
    QList<Column> out;
    if (width <= 0 || to < from || size(series) == 0)
        return out;
    const qint64 span = to - from + 1;
    auto columnStart = [&](qint64 x) { return from + (x * span + width - 1) / width; };
    qint64 start = 0; // the time of the last column, start included, end not
    qint64 end = 0;
    const Series &s = m_series[std::size_t(series)];
    const qsizetype first = firstFrom(series, from);
    std::size_t at = (s.start + std::size_t(first)) % s.points.size();
    for (qsizetype i = first; i < size(series); ++i) {
        const Point &p = s.points[at];
        at = at + 1 == s.points.size() ? 0 : at + 1;
        if (p.msecs > to)
            break;
        if (p.msecs < from)
            continue; // before a step back of the clock
        if (out.isEmpty() || p.msecs < start || p.msecs >= end) {
            const int x = int((p.msecs - from) * width / span);
            start = columnStart(x);
            end = columnStart(x + 1);
            out.append({x, p.value, p.value, p.value, p.value});
            continue;
        }
        Column &c = out.last();
        c.last = p.value;
        c.min = std::min(c.min, p.value);
        c.max = std::max(c.max, p.value);
    }
    return out;
}
