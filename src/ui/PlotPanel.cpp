#include "ui/PlotPanel.h"

#include "engine/PlotCsv.h"
#include "engine/TrafficLog.h"
#include "text/StringTable.h"
#include "ui/NamedComboBox.h"
#include "ui/PlotView.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

constexpr qint32 kPlotName = 2401;
constexpr qint32 kSavePlot = 2402;
constexpr qint32 kSaveValues = 2403;
constexpr qint32 kRangeLabel = 2404;
constexpr qint32 kFirstRange = 2405;

// A legend entry's picture: a piece of its series' line.
QIcon lineSample(int series)
{
    QPixmap sample(24, 12);
    sample.fill(Qt::transparent);
    QPainter painter(&sample);
    painter.setPen(PlotView::pen(series));
    painter.drawLine(0, 6, 23, 6);
    return QIcon(sample);
}

} // namespace

PlotPanel::PlotPanel(QWidget *parent) : QWidget(parent)
{
    labPlotRange = new QLabel(this);
    labPlotRange->setObjectName(QStringLiteral("labPlotRange"));
    cboPlotRange = new NamedComboBox(this);
    cboPlotRange->setObjectName(QStringLiteral("cboPlotRange"));
    labPlotRange->setBuddy(cboPlotRange);
    for (std::size_t i = 0; i < kRangesMs.size(); ++i)
        cboPlotRange->addItem(QString());
    cboPlotRange->setCurrentIndex(kDefaultRange);
    cmdPlotSave = new QPushButton(this);
    cmdPlotSave->setObjectName(QStringLiteral("cmdPlotSave"));
    cmdPlotValues = new QPushButton(this);
    cmdPlotValues->setObjectName(QStringLiteral("cmdPlotValues"));
    for (QPushButton *button : {cmdPlotSave, cmdPlotValues})
        button->setAutoDefault(false);

    // The plot and its legend share a background, also in the saved picture.
    m_area = new QWidget(this);
    m_area->setBackgroundRole(QPalette::Base);
    m_area->setAutoFillBackground(true);
    picPlot = new PlotView(m_area);
    picPlot->setObjectName(QStringLiteral("picPlot"));
    picPlot->setSeries(&m_series);
    m_legendScroll = new QScrollArea(m_area);
    m_legendScroll->setFrameShape(QFrame::NoFrame);
    m_legendScroll->setFocusPolicy(Qt::NoFocus);
    m_legendScroll->setWidgetResizable(true);
    m_legendScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_legendScroll->setBackgroundRole(QPalette::Base);
    auto *legend = new QWidget;
    legend->setBackgroundRole(QPalette::Base);
    m_legendRows = new QVBoxLayout(legend);
    m_legendRows->setContentsMargins(2, 2, 2, 2);
    m_legendRows->addStretch(1);
    m_legendScroll->setWidget(legend);
    m_legendScroll->setVisible(false);
    auto *areaRow = new QHBoxLayout(m_area);
    areaRow->setContentsMargins(0, 0, 0, 0);
    areaRow->setSpacing(0);
    areaRow->addWidget(picPlot, 1);
    areaRow->addWidget(m_legendScroll);

    auto *controls = new QHBoxLayout;
    controls->addWidget(labPlotRange);
    controls->addWidget(cboPlotRange);
    controls->addStretch(1);
    controls->addWidget(cmdPlotSave);
    controls->addWidget(cmdPlotValues);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 2, 0, 0);
    column->setSpacing(2);
    column->addLayout(controls);
    column->addWidget(m_area, 1);

    connect(cmdPlotSave, &QPushButton::clicked, this, &PlotPanel::savePlotClicked);
    connect(cmdPlotValues, &QPushButton::clicked, this, &PlotPanel::saveValuesClicked);
    connect(cboPlotRange, &QComboBox::currentIndexChanged, this, [this] {
        m_heldEnd = m_held ? std::optional<qint64>(m_shownEnd) : std::nullopt;
        selectionMoved(); // the mark may lie outside the new range
    });
}

void PlotPanel::setLog(TrafficLog *log)
{
    if (m_log)
        disconnect(m_log, nullptr, this, nullptr);
    m_log = log;
    if (!log)
        return;
    connect(log, &TrafficLog::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { rowsAppended(first, last); });
    connect(log, &TrafficLog::followNewLinesChanged, this, &PlotPanel::followChanged);
    connect(log, &TrafficLog::selectedIndexChanged, this, &PlotPanel::selectionMoved);
    m_held = !log->followNewLines();
}

void PlotPanel::setActive(bool active)
{
    clear();
    m_active = active && m_log;
    if (!m_active)
        return;
    rowsAppended(0, m_log->count() - 1);
    selectionMoved();
}

void PlotPanel::clear()
{
    m_series.clear();
    qDeleteAll(m_legend);
    m_legend.clear();
    m_legendScroll->setVisible(false);
    m_hidden = 0;
    picPlot->setHidden(0);
    m_heldEnd.reset();
    updateWindow();
}

// Lines are read as they come, while the plot is active; a held plot keeps
// its place and only its legend grows.
void PlotPanel::rowsAppended(int first, int last)
{
    if (!m_active)
        return;
    bool kept = false;
    for (int row = first; row <= last; ++row)
        kept = readLine(row) || kept;
    if (!kept)
        return;
    if (m_legend.size() != m_series.count())
        updateLegend();
    if (!m_heldEnd)
        updateWindow();
}

// Only received data lines hold the device's numbers: not [OUT] lines, nor
// the port's event lines.
bool PlotPanel::readLine(int row)
{
    if (m_log->kind(row) != TrafficLog::LineKind::Received)
        return false;
    const QByteArrayView content =
        QByteArrayView(m_log->lineBytes(row)).sliced(TrafficLog::kPrefixLength);
    const QList<PlotNumbers::Record> records = PlotNumbers::read(content);
    return !records.isEmpty() && m_series.append(records, m_log->utcMsecs(row));
}

void PlotPanel::followChanged(bool follow)
{
    m_held = !follow;
    m_heldEnd = m_held ? std::optional<qint64>(m_shownEnd) : std::nullopt;
    selectionMoved();
}

// A line selected while the plot follows is marked unless it is the newest;
// while held, a line beyond the time in view moves the view to it.
void PlotPanel::selectionMoved()
{
    m_mark.reset();
    const int selected = m_log ? m_log->selectedIndex() : -1;
    if (selected >= 0 && (m_held || selected != m_log->count() - 1))
        m_mark = m_log->utcMsecs(selected);
    const qint64 range = rangeMs();
    if (m_mark && m_heldEnd && range > 0 && (*m_mark > *m_heldEnd || *m_mark <= *m_heldEnd - range))
        m_heldEnd = *m_mark + range / 2;
    updateWindow();
}

void PlotPanel::updateWindow()
{
    const std::optional<qint64> oldest = m_series.oldestMsecs();
    const std::optional<qint64> newest = m_series.newestMsecs();
    if (!oldest || !newest) {
        picPlot->setWindow(0, -1);
    } else {
        // Held with nothing to show yet: it stands where the first points end.
        if (m_held && !m_heldEnd)
            m_heldEnd = *newest;
        m_shownEnd = m_heldEnd.value_or(*newest);
        const qint64 range = rangeMs();
        const qint64 from = range > 0 ? std::max(*oldest, m_shownEnd - range + 1) : *oldest;
        picPlot->setWindow(std::min(from, m_shownEnd), m_shownEnd);
    }
    picPlot->setMark(m_mark);
    picPlot->refresh();
}

qint64 PlotPanel::rangeMs() const
{
    const int index = cboPlotRange->currentIndex();
    return index >= 0 && index < int(kRangesMs.size()) ? kRangesMs[std::size_t(index)] : 0;
}

void PlotPanel::updateLegend()
{
    QWidget *before = m_legend.isEmpty() ? static_cast<QWidget *>(cmdPlotValues) : m_legend.last();
    for (int s = int(m_legend.size()); s < m_series.count(); ++s) {
        auto *entry = new QCheckBox(m_series.label(s));
        entry->setObjectName(QStringLiteral("chkPlotSeries%1").arg(s + 1));
        entry->setIcon(lineSample(s));
        entry->setChecked(true);
        entry->installEventFilter(this);
        connect(entry, &QCheckBox::toggled, this, [this, s](bool shown) {
            m_hidden = shown ? m_hidden & ~(1u << s) : m_hidden | (1u << s);
            picPlot->setHidden(m_hidden);
            picPlot->refresh();
        });
        m_legendRows->insertWidget(m_legendRows->count() - 1, entry);
        QWidget::setTabOrder(before, entry);
        before = entry;
        m_legend.append(entry);
    }
    m_legendScroll->setVisible(true);
    m_legendScroll->setFixedWidth(m_legendScroll->widget()->sizeHint().width() +
                                  m_legendScroll->verticalScrollBar()->sizeHint().width());
}

// An entry reached with Tab is scrolled into view.
bool PlotPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn)
        m_legendScroll->ensureWidgetVisible(static_cast<QWidget *>(watched));
    return QWidget::eventFilter(watched, event);
}

void PlotPanel::applyLanguage(quint8 language)
{
    m_language = language;
    auto res = [language](qint32 id) { return fkt_ToolsGetResString(id, language); };
    labPlotRange->setText(res(kRangeLabel));
    for (int i = 0; i < cboPlotRange->count(); ++i)
        cboPlotRange->setItemText(i, res(kFirstRange + i));
    cmdPlotSave->setText(res(kSavePlot));
    cmdPlotValues->setText(res(kSaveValues));
    picPlot->setAccessibleName(res(kPlotName));
    setAccessibleName(res(kPlotName));
    picPlot->setLanguage(language);
}

QImage PlotPanel::image() const
{
    return m_area->grab().toImage();
}

QByteArray PlotPanel::values() const
{
    return PlotCsv::text(m_series);
}

QList<QWidget *> PlotPanel::tabOrder() const
{
    return {picPlot, cboPlotRange, cmdPlotSave, cmdPlotValues};
}
