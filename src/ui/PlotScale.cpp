#include "ui/PlotScale.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <cmath>

namespace PlotScale {

namespace {

constexpr int kMostDecimals = 6;

// 1, 2 or 5 times a power of ten, at least `rough`.
double niceStep(double rough)
{
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0})
        if (factor * power >= rough * (1 - 1e-9))
            return factor * power;
    return 10 * power;
}

bool needsExponent(double value)
{
    const double size = std::abs(value);
    return size >= 1e7 || (size != 0 && size < 1e-4);
}

} // namespace

Ticks valueTicks(double low, double high, int most)
{
    Ticks ticks;
    const double range = high - low;
    if (!(range > 0) || !std::isfinite(range))
        return ticks;
    ticks.step = niceStep(range / std::max(1, most - 1));
    for (double k = std::ceil(low / ticks.step); k * ticks.step <= high + ticks.step * 1e-9; ++k)
        ticks.values.append(k * ticks.step);
    return ticks;
}

qint64 timeStep(qint64 spanMs, double width, double labelRoom)
{
    static constexpr std::array<qint64, 27> kSteps = {
        1,      2,      5,       10,      20,      50,       100,      200,      500,
        1000,   2000,   5000,    10000,   15000,   30000,    60000,    120000,   300000,
        600000, 900000, 1800000, 3600000, 7200000, 10800000, 21600000, 43200000, 86400000};
    const double most = std::max(1.0, width / std::max(1.0, labelRoom));
    for (const qint64 step : kSteps)
        if (double(spanMs) / double(step) <= most)
            return step;
    const qint64 day = kSteps.back();
    return day * qint64(std::ceil(double(spanMs) / (double(day) * most)));
}

int decimalsFor(const QList<double> &values)
{
    int most = 0;
    for (const double value : values) {
        int d = 0;
        for (double scaled = value; d < kMostDecimals; ++d, scaled = value * std::pow(10.0, d))
            if (std::abs(scaled - std::round(scaled)) <= 1e-9 * std::max(1.0, std::abs(scaled)))
                break;
        most = std::max(most, d);
    }
    return most;
}

QString number(double value, int decimals, quint8 language)
{
    QLocale locale(language == 0 ? QLocale::German : QLocale::English);
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    if (needsExponent(value))
        return locale.toString(value, 'g', 6);
    return locale.toString(value, 'f', decimals);
}

} // namespace PlotScale
