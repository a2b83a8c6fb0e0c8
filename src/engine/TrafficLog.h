#pragma once

#include <QAbstractListModel>
#include <QDateTime>
#include <QStringList>

// The traffic log: one line per transmission or received block, appended at
// the end and never sorted. It also keeps the selected line and whether the
// delete button is enabled, because the size limit and the button depend on
// them.
class TrafficLog : public QAbstractListModel {
    Q_OBJECT
public:
    enum class Direction { Sent, Received };

    // The log is emptied once the selected line lies beyond this index.
    static constexpr int kClearAboveIndex = 32000;

    explicit TrafficLog(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // 'hh:mm:ss.zzz', the nine-character direction marker, the content.
    static QString formatLine(const QDateTime &utc, Direction direction, const QString &content);

    // Appends a line stamped with the given UTC time, selects it and enables
    // the delete button.
    void AppendTrafficLine(Direction direction, const QString &content, const QDateTime &utc);
    const QString &line(int index) const { return m_lines.at(index); }
    int count() const { return int(m_lines.size()); }

    // Removes every line; the delete button keeps its state.
    void clear();

    int selectedIndex() const { return m_selected; }
    void setSelectedIndex(int index);

    bool deleteEnabled() const { return m_deleteEnabled; }
    void setDeleteEnabled(bool enabled);

Q_SIGNALS:
    void selectedIndexChanged(int index);
    void deleteEnabledChanged(bool enabled);

private:
    QStringList m_lines;
    int m_selected = -1;
    bool m_deleteEnabled = false;
};
