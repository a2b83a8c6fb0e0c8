#include "engine/TrafficLog.h"

#include "text/Codec.h"
#include "text/Tokens.h"

TrafficLog::TrafficLog(QObject *parent) : QAbstractListModel(parent) {}

int TrafficLog::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

QVariant TrafficLog::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_lines.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return line(index.row());
    return {};
}

QString TrafficLog::formatLine(const QDateTime &utc, Direction direction, const QString &content)
{
    const QTime t = utc.toUTC().time();
    const QString marker =
        direction == Direction::Sent ? QStringLiteral("  [OUT]  ") : QStringLiteral("  [IN]   ");
    return t.toString(QStringLiteral("HH:mm:ss.zzz")) + marker + content;
}

void TrafficLog::AppendTrafficLine(Direction direction, const QString &content,
                                   const QDateTime &utc)
{
    const int row = int(m_lines.size());
    QByteArray bytes = Codec::toBytesReplacing(formatLine(utc, direction, content), '?');
    m_longest = std::max(m_longest, int(bytes.size()));
    beginInsertRows({}, row, row);
    m_lines.append(std::move(bytes));
    endInsertRows();
    setSelectedIndex(row);
    setDeleteEnabled(true);
}

QString TrafficLog::line(int index) const
{
    return Codec::toText(m_lines.at(index));
}

QString TrafficLog::spelledLine(int index) const
{
    return SpellControlChars(line(index));
}

void TrafficLog::clear()
{
    beginResetModel();
    m_lines.clear();
    m_longest = 0;
    endResetModel();
    setSelectedIndex(-1);
}

void TrafficLog::setSelectedIndex(int index)
{
    if (index == m_selected)
        return;
    m_selected = index;
    Q_EMIT selectedIndexChanged(index);
}

void TrafficLog::setDeleteEnabled(bool enabled)
{
    if (enabled == m_deleteEnabled)
        return;
    m_deleteEnabled = enabled;
    Q_EMIT deleteEnabledChanged(enabled);
}
