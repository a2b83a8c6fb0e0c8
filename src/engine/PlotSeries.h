#pragma once

#include "engine/PlotNumbers.h"

#include <QList>
#include <QString>

#include <optional>
#include <vector>

// The plot's data: up to eight series of points, in the order they first
// appeared, each holding its newest 100,000 points in a ring (the oldest
// goes first). A series is a name, or a plain number's place in its record;
// values of further series are not kept. Every point keeps the time of its
// line and the number of its record, so that the values of one record can
// be put side by side again (PlotCsv).
//
// Points are found by time with a binary search: the lines' times only go
// forward, unless the system clock is set back.
class PlotSeries {
public:
    static constexpr int kMaxSeries = 8;
    static constexpr qsizetype kMaxPoints = 100000;

    struct Point {
        qint64 msecs = 0;  // UTC, milliseconds since the epoch
        qint64 record = 0; // counts the records kept, from 0
        double value = 0;
    };

    // What a run of points covering one pixel column shows: its first and
    // last value and the two extremes in between.
    struct Column {
        int x = 0;
        double first = 0;
        double last = 0;
        double min = 0;
        double max = 0;
        bool operator==(const Column &o) const
        {
            return x == o.x && first == o.first && last == o.last && min == o.min && max == o.max;
        }
    };

    // Adds the records of a line stamped msecs. Returns whether a point was kept.
    bool append(const QList<PlotNumbers::Record> &records, qint64 msecs);
    void clear();

    int count() const { return int(m_series.size()); }
    // The name, or the place of a plain number ("1").
    QString label(int series) const;
    qsizetype size(int series) const { return qsizetype(m_series[series].points.size()); }
    // The points from the oldest held on.
    const Point &point(int series, qsizetype i) const;

    // The times of the oldest and the newest point of any series.
    std::optional<qint64> oldestMsecs() const;
    std::optional<qint64> newestMsecs() const;

    // The points of a series from `from` to `to` (both included), in columns
    // of equal time, `width` of them: for each column that holds a point, its
    // first, last, lowest and highest value. At most one entry per column,
    // so a drawing needs no more than one stroke per pixel column.
    QList<Column> columns(int series, qint64 from, qint64 to, int width) const;

private:
    struct Series {
        PlotNumbers::Value key; // the name or the place; its value unused
        std::vector<Point> points;
        std::size_t start = 0; // the oldest point, once the ring is full
    };
    int seriesFor(const PlotNumbers::Value &value);
    void add(Series &series, const Point &point);
    // The first point at or after msecs.
    qsizetype firstFrom(int series, qint64 msecs) const;

    std::vector<Series> m_series;
    qint64 m_records = 0;
};
