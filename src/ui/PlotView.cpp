#include "ui/PlotView.h"

#include "engine/PlotSeries.h"
#include "text/StringTable.h"
#include "text/modFormat.h"
#include "ui/PlotScale.h"

#include <QDateTime>
#include <QPaintEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr qint32 kNoNumbers = 2416;
constexpr qint32 kSeriesWords = 2415;

// Okabe and Ito's colours that colour-blind eyes tell apart, black last.
constexpr std::array<QRgb, 8> kColours = {0xE69F00, 0x56B4E9, 0x009E73, 0xF0E442,
                                          0x0072B2, 0xD55E00, 0xCC79A7, 0x000000};
constexpr std::array<Qt::PenStyle, 4> kLines = {Qt::SolidLine, Qt::DashLine, Qt::DotLine,
                                                Qt::DashDotLine};

QString timeLabel(qint64 msecs, qint64 step)
{
    const QTime time = QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC).time();
    return time.toString(step < 1000 ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
}

// The series' line one pixel wide, its dashes as long as those of pen():
// drawn twice, one pixel apart, it looks like pen() but costs a fraction of
// a wide stroke, which the painter outlines and fills.
QPen thinPen(int series)
{
    QPen thin = PlotView::pen(series);
    const qreal width = thin.widthF();
    if (thin.style() != Qt::SolidLine) {
        QList<qreal> dashes = thin.dashPattern();
        for (qreal &dash : dashes)
            dash *= width;
        thin.setDashPattern(dashes);
    }
    thin.setWidth(1);
    return thin;
}

} // namespace

PlotView::PlotView(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(120, 60);
    m_frameTimer.setSingleShot(true);
    connect(&m_frameTimer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    m_descriptionTimer.setSingleShot(true);
    connect(&m_descriptionTimer, &QTimer::timeout, this, &PlotView::describe);
}

void PlotView::setSeries(const PlotSeries *series)
{
    m_series = series;
}

void PlotView::setHidden(quint32 hidden)
{
    m_hidden = hidden;
}

void PlotView::setWindow(qint64 from, qint64 to)
{
    m_from = from;
    m_to = to;
}

void PlotView::setMark(std::optional<qint64> msecs)
{
    m_mark = msecs;
}

void PlotView::setLanguage(quint8 language)
{
    m_language = language;
    update();
    describe();
}

bool PlotView::shown(int series) const
{
    return (m_hidden & (1u << series)) == 0;
}

QPen PlotView::pen(int series)
{
    QPen pen(QColor(kColours[std::size_t(series) % kColours.size()]), 2);
    pen.setStyle(kLines[std::size_t(series) % kLines.size()]);
    return pen;
}

// A stream of lines asks for a frame with every line: the first waits for
// the frame interval to pass since the last one, the others join it.
void PlotView::refresh()
{
    const qint64 since = m_sinceFrame.isValid() ? m_sinceFrame.elapsed() : kFrameIntervalMs;
    if (!m_frameTimer.isActive())
        m_frameTimer.start(int(std::max<qint64>(0, kFrameIntervalMs - since)));
    if (!m_descriptionTimer.isActive()) {
        const qint64 described = m_sinceDescribed.isValid() ? m_sinceDescribed.elapsed()
                                                            : kDescriptionIntervalMs;
        m_descriptionTimer.start(int(std::max<qint64>(0, kDescriptionIntervalMs - described)));
    }
}

void PlotView::describe()
{
    m_sinceDescribed.start();
    setAccessibleDescription(description());
}

QString PlotView::description() const
{
    QStringList parts;
    for (int s = 0; m_series && s < m_series->count(); ++s) {
        if (!shown(s))
            continue;
        const QList<PlotSeries::Column> all = m_series->columns(s, m_from, m_to, 1);
        if (all.isEmpty())
            continue;
        const PlotSeries::Column &c = all.first();
        const int decimals = PlotScale::decimalsFor({c.last, c.min, c.max});
        auto text = [this, decimals](double v) {
            return PlotScale::number(v, decimals, m_language);
        };
        parts << fkt_FormatInsertParam(
            fkt_ToolsGetResString(kSeriesWords, m_language),
            {m_series->label(s), text(c.last), text(c.min), text(c.max)});
    }
    return parts.isEmpty() ? fkt_ToolsGetResString(kNoNumbers, m_language)
                           : parts.join(QStringLiteral("; "));
}

// The columns of the shown series at a width, and the lowest and highest
// value they reach.
std::optional<std::pair<double, double>> PlotView::columnsAt(int width, Columns &columns) const
{
    std::optional<std::pair<double, double>> range;
    for (int s = 0; m_series && s < m_series->count(); ++s) {
        QList<PlotSeries::Column> &these = columns[std::size_t(s)];
        these = shown(s) ? m_series->columns(s, m_from, m_to, width) : QList<PlotSeries::Column>();
        for (const PlotSeries::Column &c : these) {
            if (!range)
                range.emplace(c.min, c.max);
            range->first = std::min(range->first, c.min);
            range->second = std::max(range->second, c.max);
        }
    }
    return range;
}

// The value axis for a range of values: a little room above and below
// (a flat line lies in the middle), ticks and their labels.
PlotView::ValueAxis PlotView::valueAxis(std::pair<double, double> range, int height) const
{
    ValueAxis axis;
    auto [low, high] = range;
    const double pad = high > low ? (high - low) * 0.05 : std::max(std::abs(high) * 0.05, 0.5);
    axis.low = low - pad;
    axis.high = high + pad;
    const QFontMetrics metrics = fontMetrics();
    axis.ticks = PlotScale::valueTicks(axis.low, axis.high,
                                       std::max(2, height * 2 / (3 * metrics.height())));
    const int decimals = std::max(0, int(-std::floor(std::log10(axis.ticks.step) + 1e-9)));
    for (const double v : axis.ticks.values) {
        axis.labels << PlotScale::number(v == 0 ? 0.0 : v, decimals, m_language);
        axis.labelWidth = std::max(axis.labelWidth, metrics.horizontalAdvance(axis.labels.last()));
    }
    return axis;
}

void PlotView::paintEvent(QPaintEvent *)
{
    m_sinceFrame.start();
    m_frameTimer.stop();
    QPainter painter(this);
    const QPalette &colours = palette();
    painter.fillRect(rect(), colours.color(QPalette::Base));
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
    const QFontMetrics metrics = fontMetrics();
    const int labelHeight = metrics.height();
    const QRect area = rect().adjusted(
        3, 3 + labelHeight / 2, -3 - metrics.horizontalAdvance(QStringLiteral("00:00:00")) / 2,
        -5 - labelHeight);
    // The columns are made for the width the last frame's labels left; only
    // labels of another width make them again.
    Columns columns;
    ValueAxis axis;
    QRect plot;
    for (int pass = 0; pass < 2; ++pass) {
        plot = area.adjusted(m_labelWidth + 6, 0, 0, 0);
        const std::optional<std::pair<double, double>> range = columnsAt(std::max(1, plot.width()),
                                                                         columns);
        if (!range) {
            painter.setPen(colours.color(QPalette::Text));
            painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap,
                             fkt_ToolsGetResString(kNoNumbers, m_language));
            return;
        }
        axis = valueAxis(*range, area.height());
        if (axis.labelWidth == m_labelWidth)
            break;
        m_labelWidth = axis.labelWidth;
    }
    if (plot.width() < 2 || plot.height() < 2)
        return;
    paintAxes(painter, plot, axis);
    paintSeries(painter, plot, axis, columns);
}

int PlotView::xOf(const QRect &plot, qint64 msecs) const
{
    const qint64 span = std::max<qint64>(1, m_to - m_from + 1);
    return plot.left() + int((msecs - m_from) * plot.width() / span);
}

void PlotView::paintAxes(QPainter &painter, const QRect &plot, const ValueAxis &axis)
{
    const QFontMetrics metrics = fontMetrics();
    const int labelHeight = metrics.height();
    const QColor grid = palette().color(QPalette::Midlight);
    const QColor ink = palette().color(QPalette::Text);
    for (qsizetype i = 0; i < axis.ticks.values.size(); ++i) {
        const int y = axis.yOf(plot, axis.ticks.values[i]);
        painter.setPen(grid);
        painter.drawLine(plot.left() + 1, y, plot.right() - 1, y);
        painter.setPen(ink);
        painter.drawText(QRect(plot.left() - 6 - axis.labelWidth, y - labelHeight / 2,
                               axis.labelWidth, labelHeight),
                         Qt::AlignRight | Qt::AlignVCenter, axis.labels[i]);
    }
    const qint64 step = PlotScale::timeStep(
        m_to - m_from + 1, plot.width(),
        metrics.horizontalAdvance(QStringLiteral("00:00:00.000")) + 16);
    for (qint64 t = (m_from / step + (m_from % step > 0 ? 1 : 0)) * step; t <= m_to; t += step) {
        const int x = xOf(plot, t);
        painter.setPen(grid);
        painter.drawLine(x, plot.top() + 1, x, plot.bottom() - 1);
        painter.setPen(ink);
        const QString label = timeLabel(t, step);
        const int w = metrics.horizontalAdvance(label);
        painter.drawText(QRect(x - w / 2, plot.bottom() + 3, w, labelHeight), Qt::AlignCenter,
                         label);
    }
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(plot.adjusted(0, 0, -1, -1));
}

// One stroke per pixel column of each series, then the mark over them.
void PlotView::paintSeries(QPainter &painter, const QRect &plot, const ValueAxis &axis,
                           const Columns &columns)
{
    painter.setClipRect(plot);
    for (int s = 0; m_series && s < m_series->count(); ++s) {
        const QList<PlotSeries::Column> &these = columns[std::size_t(s)];
        if (these.isEmpty())
            continue;
        QPolygon line;
        line.reserve(these.size() * 4);
        for (const PlotSeries::Column &c : these) {
            const int x = plot.left() + c.x;
            line << QPoint(x, axis.yOf(plot, c.first));
            if (c.min < c.max)
                line << QPoint(x, axis.yOf(plot, c.min)) << QPoint(x, axis.yOf(plot, c.max));
            line << QPoint(x, axis.yOf(plot, c.last));
        }
        painter.setPen(thinPen(s));
        const QRect extent = line.boundingRect();
        for (const QPoint offset : {QPoint(0, 0), QPoint(1, 1)}) {
            if (extent.width() <= 1 && extent.height() <= 1) // a polyline would draw nothing
                painter.drawPoint(line.first() + offset);
            else
                painter.drawPolyline(line.translated(offset));
        }
    }
    if (m_mark && *m_mark >= m_from && *m_mark <= m_to) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1));
        const int x = xOf(plot, *m_mark);
        painter.drawLine(x, plot.top(), x, plot.bottom());
    }
}
