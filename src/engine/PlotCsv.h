#pragma once

#include <QByteArray>

class PlotSeries;

// The plot's values as a CSV file (RFC 4180): UTF-8, comma-separated, '.' as
// the decimal point whatever the language, lines ended by CR LF. The first
// line heads the columns: "time", then each series by its name or place.
// Then one line per record, oldest first: its line's UTC time as
// 2026-12-07T09:05:03.007Z, then each series' value in that record, or
// nothing. Every point held is there, with as many digits as it takes to
// read back the same value.
namespace PlotCsv {

QByteArray text(const PlotSeries &series);

} // namespace PlotCsv
