#pragma once

#include "engine/PlotSeries.h"
#include "ui/PlotScale.h"

#include <QElapsedTimer>
#include <QPen>
#include <QTimer>
#include <QWidget>

#include <array>
#include <cmath>
#include <optional>
#include <utility>

// The plot itself: the shown series as lines over their lines' time (UTC),
// one y axis fitted to the values in view, a mark at a chosen time. Drawn
// with the painter, one stroke per pixel column per series (the lowest and
// highest value the column covers, PlotSeries::columns), without
// antialiasing, so every series keeps its exact colour.
//
// Changes are drawn at most ten times a second; the accessible description
// (each shown series' last, lowest and highest value in view, in words)
// follows at most once a second. Both timers run only after a change.
class PlotView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFrameIntervalMs = 100;
    static constexpr int kDescriptionIntervalMs = 1000;

    explicit PlotView(QWidget *parent = nullptr);

    // The series drawn; not owned, it outlives the view.
    void setSeries(const PlotSeries *series);
    // Bit n set: series n is hidden.
    void setHidden(quint32 hidden);
    // The time in view, both ends included, and the mark.
    void setWindow(qint64 from, qint64 to);
    void setMark(std::optional<qint64> msecs);
    // Labels and the description in the program's language.
    void setLanguage(quint8 language);
    // The series or the window changed: draws and describes them again soon.
    void refresh();

    // The colour and line of series n: the eight colours of Okabe and Ito,
    // black last, with solid, dashed, dotted and dash-dot lines in turn.
    static QPen pen(int series);

    // "temp: zuletzt 21,5, min 20,1, max 23,0; ..." for the shown series in
    // view; the empty plot's hint when none has a value there.
    QString description() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void describe();
    bool shown(int series) const;
    using Columns = std::array<QList<PlotSeries::Column>, PlotSeries::kMaxSeries>;
    struct ValueAxis {
        double low = 0;
        double high = 1;
        PlotScale::Ticks ticks;
        QStringList labels;
        int labelWidth = 0;
        int yOf(const QRect &plot, double v) const
        {
            return plot.top() + int(std::lround((high - v) * (plot.height() - 1) / (high - low)));
        }
    };
    std::optional<std::pair<double, double>> columnsAt(int width, Columns &columns) const;
    ValueAxis valueAxis(std::pair<double, double> range, int height) const;
    int xOf(const QRect &plot, qint64 msecs) const;
    void paintAxes(QPainter &painter, const QRect &plot, const ValueAxis &axis);
    void paintSeries(QPainter &painter, const QRect &plot, const ValueAxis &axis,
                     const Columns &columns);

    const PlotSeries *m_series = nullptr;
    quint32 m_hidden = 0;
    qint64 m_from = 0;
    qint64 m_to = 0;
    std::optional<qint64> m_mark;
    quint8 m_language = 0;
    QTimer m_frameTimer;
    QElapsedTimer m_sinceFrame;
    QTimer m_descriptionTimer;
    QElapsedTimer m_sinceDescribed;
    int m_labelWidth = 0; // of the value axis's labels in the last frame
};
