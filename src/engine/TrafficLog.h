#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QDateTime>
#include <QList>

// The traffic log: one line per transmission or received block, appended at
// the end and never sorted. It also keeps the selected line and whether the
// delete button is enabled, because the size limit and the button depend on
// them.
//
// Every character of a line is one of the codec's, so a line is kept as its
// bytes, one per character: a full log of 32,000 lines of 2,048 characters
// then takes about 65 MB instead of twice that. A character without a byte
// (which neither the send nor the receive path can produce) is kept as '?'.
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
    // The line's characters, raw: control characters as they were sent or received.
    QString line(int index) const;
    // The same as the codec's bytes, one per character.
    const QByteArray &lineBytes(int index) const { return m_lines.at(index); }
    // The line with every control character spelled as a token: the form that
    // is saved, copied as a whole and read out, which a raw CR or LF cannot break.
    QString spelledLine(int index) const;
    int count() const { return int(m_lines.size()); }
    // Characters of the longest line since the log was last emptied.
    int longestLineLength() const { return m_longest; }

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
    QList<QByteArray> m_lines;
    int m_longest = 0;
    int m_selected = -1;
    bool m_deleteEnabled = false;
};
