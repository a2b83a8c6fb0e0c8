#include "ui/LogViewAccessible.h"

#include "engine/TrafficLog.h"
#include "ui/LogView.h"

#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace {

// One line of the log.
class LogLineAccessible : public QAccessibleInterface {
public:
    LogLineAccessible(LogView *view, int row) : m_view(view), m_row(row) {}

    int row() const { return m_row; }
    bool isValid() const override
    {
        return m_view && m_view->log() && m_row < m_view->log()->count();
    }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override
    {
        return m_view ? m_view->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface *parent() const override
    {
        return m_view ? QAccessible::queryAccessibleInterface(m_view) : nullptr;
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text type) const override
    {
        if (type != QAccessible::Name || !isValid())
            return QString();
        return m_view->accessibleLine(m_row);
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect local = m_view->rowRect(m_row);
        return QRect(m_view->viewport()->mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.selectable = true;
        state.focusable = true;
        const bool selected = m_view->log()->isSelected(m_row);
        state.selected = selected;
        state.focused = m_view->log()->selectedIndex() == m_row && m_view->hasFocus();
        const QRect shown = m_view->rowRect(m_row);
        state.offscreen = !m_view->viewport()->rect().intersects(shown);
        state.invisible = state.offscreen || !m_view->isVisible();
        return state;
    }

private:
    QPointer<LogView> m_view;
    int m_row;
};

QAccessibleInterface *logViewFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("LogView") && object && object->isWidgetType())
        return new LogViewAccessible(static_cast<LogView *>(object));
    return nullptr;
}

} // namespace

LogViewAccessible::LogViewAccessible(LogView *view) : QAccessibleWidget(view, QAccessible::List)
{
}

LogViewAccessible::~LogViewAccessible() { dropItems(); }

void LogViewAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(logViewFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

void LogViewAccessible::logReset(LogView *view)
{
    if (auto *self = dynamic_cast<LogViewAccessible *>(QAccessible::queryAccessibleInterface(view)))
        self->dropItems();
}

LogView *LogViewAccessible::view() const { return static_cast<LogView *>(widget()); }

int LogViewAccessible::childCount() const
{
    const TrafficLog *log = view()->log();
    return log ? log->count() : 0;
}

QAccessibleInterface *LogViewAccessible::child(int index) const
{
    if (index < 0 || index >= childCount())
        return nullptr;
    const auto found = m_items.constFind(index);
    if (found != m_items.constEnd())
        return QAccessible::accessibleInterface(*found);
    auto *item = new LogLineAccessible(view(), index);
    m_items.insert(index, QAccessible::registerAccessibleInterface(item));
    return item;
}

int LogViewAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    const auto *item = dynamic_cast<const LogLineAccessible *>(child);
    return item && item->isValid() && item->parent() == this ? item->row() : -1;
}

QAccessibleInterface *LogViewAccessible::childAt(int x, int y) const
{
    const QPoint local = view()->viewport()->mapFromGlobal(QPoint(x, y));
    const int row = view()->rowAt(local);
    return row >= 0 && view()->viewport()->rect().contains(local) ? child(row) : nullptr;
}

void LogViewAccessible::dropItems()
{
    for (const QAccessible::Id id : std::as_const(m_items))
        QAccessible::deleteAccessibleInterface(id);
    m_items.clear();
}
