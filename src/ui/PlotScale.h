#pragma once

#include <QList>
#include <QString>

// The plot's scales: where its axes get ticks, and how its numbers read.
namespace PlotScale {

// Ticks of a value axis from low to high: multiples of 1, 2 or 5 times a
// power of ten, at most `most` of them (at least two).
struct Ticks {
    double step = 1;
    QList<double> values;
};
Ticks valueTicks(double low, double high, int most);

// The step of a time axis spanning spanMs where a label needs labelRoom of
// the axis's width: the smallest of 1, 2, 5, 10 ... ms, 1, 2, 5, 10, 15, 30 s,
// 1, 2, 5, 10, 15, 30 min, 1, 2, 3, 6, 12 h, days, that leaves labels apart.
qint64 timeStep(qint64 spanMs, double width, double labelRoom);

// The digits after the decimal point that show every value exactly, up to
// six: 21.5 and 23 take one ("21,5", "23,0").
int decimalsFor(const QList<double> &values);

// A value as the language writes it: German with a decimal comma, English
// with a point; no group separators. Values of seven digits and more before
// the point, or below 0.0001, in exponent form.
QString number(double value, int decimals, quint8 language);

} // namespace PlotScale
