#include "ui/LogView.h"

#include "engine/TrafficLog.h"
#include "ui/ControlPictures.h"

#include <QStyledItemDelegate>
#include <QTimer>

namespace {

class ControlPictureDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant &value, const QLocale &) const override
    {
        return withControlPictures(value.toString());
    }
};

} // namespace

LogView::LogView(QWidget *parent) : QListView(parent)
{
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new ControlPictureDelegate(this));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void LogView::setLog(TrafficLog *log)
{
    m_log = log;
    setModel(log);
    connect(log, &TrafficLog::selectedIndexChanged, this, &LogView::followSelection);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (m_log && current.isValid())
                    m_log->setSelectedIndex(current.row());
            });
}

void LogView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QListView::mouseDoubleClickEvent(event);
    Q_EMIT doubleClickedAnywhere();
}

void LogView::followSelection()
{
    // Selecting a row makes the view lay out all rows first, so a burst of
    // appended lines is followed once, when the events of the burst are done.
    if (m_followPending)
        return;
    m_followPending = true;
    QTimer::singleShot(0, this, [this] {
        m_followPending = false;
        showSelection(m_log ? m_log->selectedIndex() : -1);
    });
}

void LogView::showSelection(int row)
{
    if (row < 0 || row >= model()->rowCount()) {
        selectionModel()->clearSelection();
        return;
    }
    const QModelIndex index = model()->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}
