#include "ui/FileDialogColumns.h"

#include <QDateTime>
#include <QEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QLocale>
#include <QStyle>
#include <QTreeView>

#include <iterator>

namespace {

// Widens the dialog, once its parts are laid out and before it appears, so
// that the name keeps the room Qt gives it by default beside the other
// columns.
class WidenWhenShown : public QObject {
public:
    WidenWhenShown(QFileDialog &dialog, QTreeView *view, int nameWidth)
        : QObject(&dialog), m_dialog(dialog), m_view(view), m_nameWidth(nameWidth)
    {
        dialog.installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == &m_dialog && event->type() == QEvent::Show) {
            m_dialog.removeEventFilter(this);
            const QHeaderView *header = m_view->header();
            int wanted = m_nameWidth;
            for (int column = 1; column < header->count(); ++column)
                wanted += header->isSectionHidden(column) ? 0 : header->sectionSize(column);
            const int missing = wanted - m_view->viewport()->width();
            if (missing > 0)
                m_dialog.resize(m_dialog.width() + missing, m_dialog.height());
            deleteLater();
        }
        return false;
    }

private:
    QFileDialog &m_dialog;
    QTreeView *m_view;
    int m_nameWidth;
};

} // namespace

namespace FileDialogColumns {

void giveRoom(QFileDialog &dialog)
{
    auto *view = dialog.findChild<QTreeView *>(QStringLiteral("treeView"));
    if (!view)
        return;
    QHeaderView *header = view->header();
    // The widest texts the file list shows in the columns after the name, as
    // the system's locale writes them: a size, (a type), a date.
    const QLocale locale = QLocale::system();
    const QString widest[] = {
        locale.formattedDataSize(qint64(1023.99 * 1024 * 1024)), QString(),
        locale.toString(QDateTime(QDate(2000, 12, 28), QTime(23, 59, 59)), QLocale::ShortFormat)};
    const QFontMetrics metrics = view->fontMetrics();
    const int padding = 2 * view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) +
                        metrics.horizontalAdvance(QLatin1Char('M'));
    for (int column = 1; column < header->count(); ++column) {
        int width = qMax(header->sectionSize(column), header->sectionSizeHint(column));
        if (column - 1 < int(std::size(widest)) && !widest[column - 1].isEmpty())
            width = qMax(width, metrics.horizontalAdvance(widest[column - 1]) + padding);
        header->resizeSection(column, width);
    }
    // The name takes what is left, so the other columns are never pushed out
    // of sight.
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    new WidenWhenShown(dialog, view, metrics.horizontalAdvance(QString(26, u'w')));
}

} // namespace FileDialogColumns
