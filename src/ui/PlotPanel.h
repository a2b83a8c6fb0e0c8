#pragma once

#include "engine/PlotSeries.h"

#include <QImage>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <array>
#include <optional>

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QVBoxLayout;
class NamedComboBox;
class PlotView;
class TrafficLog;

// The plot panel under the log: the time range, the two save buttons, the
// plot and its legend. While it is active it reads the numbers of every
// received line of the log (PlotNumbers), first those the log holds.
//
// It follows the log: new lines move the plot on while the log follows new
// lines; while the log's view is held, the plot stands still, and the
// selected line's time is marked (a line outside the time in view brings it
// into view). The time range shows as far back as the held points reach.
// Each series has a legend entry, a check box that shows or hides it.
class PlotPanel : public QWidget {
    Q_OBJECT
public:
    // The time ranges of the list, in its order; 0 is all.
    static constexpr std::array<qint64, 4> kRangesMs = {10000, 60000, 600000, 0};
    static constexpr int kDefaultRange = 1;

    explicit PlotPanel(QWidget *parent = nullptr);

    void setLog(TrafficLog *log);
    // Active: reads the lines the log holds, then each one appended. Not
    // active: reads nothing and forgets what it read.
    void setActive(bool active);
    // Forgets every series (the log's "clear list").
    void clear();
    void applyLanguage(quint8 language);

    // The plot with its legend, as shown.
    QImage image() const;
    // Every point held, as a CSV file (PlotCsv).
    QByteArray values() const;
    // The controls in their tab order; the legend's entries follow the last.
    QList<QWidget *> tabOrder() const;
    const PlotSeries &series() const { return m_series; }

Q_SIGNALS:
    void savePlotClicked();
    void saveValuesClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void rowsAppended(int first, int last);
    bool readLine(int row);
    void followChanged(bool follow);
    void selectionMoved();
    void updateLegend();
    void updateWindow();
    qint64 rangeMs() const;

    QPointer<TrafficLog> m_log;
    PlotSeries m_series;
    bool m_active = false;
    bool m_held = false;
    std::optional<qint64> m_heldEnd; // where the held plot stands
    std::optional<qint64> m_mark;
    qint64 m_shownEnd = 0;
    quint32 m_hidden = 0;
    quint8 m_language = 0;

    QLabel *labPlotRange = nullptr;
    NamedComboBox *cboPlotRange = nullptr;
    QPushButton *cmdPlotSave = nullptr;
    QPushButton *cmdPlotValues = nullptr;
    QWidget *m_area = nullptr; // the plot and the legend
    PlotView *picPlot = nullptr;
    QScrollArea *m_legendScroll = nullptr;
    QVBoxLayout *m_legendRows = nullptr;
    QList<QCheckBox *> m_legend;
};
