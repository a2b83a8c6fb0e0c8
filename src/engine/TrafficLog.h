#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>

#include <vector>

// The traffic log: one line per transmission or received block, appended at
// the end and never sorted. It also keeps the selected line and whether the
// delete button is enabled, because the size limit and the button depend on
// them.
//
// Every line keeps the bytes of its content once, as they went on the line or
// came from it, behind its time and direction marker: what the text view shows
// (control characters as tokens, the text as typed) and the hex view are
// derived when a line is drawn, copied or saved. So a received STX and a
// received "<STX>" stay apart, and a full log of 32,000 lines of 2,048
// characters takes about 65 MB. Only an [OUT] line whose typed text differs
// from its bytes' tokens keeps that text as well. A character without a byte
// (which neither the send nor the receive path can produce) is kept as '?'.
class TrafficLog : public QAbstractListModel {
    Q_OBJECT
public:
    enum class Direction { Sent, Received };

    // How the text view shows a line's content.
    enum class TextForm : quint8 {
        Raw,    // its characters as they are
        Tokens, // the received control characters as tokens (EncodeControlChars)
        Typed,  // the text as it was typed, tokens and all
    };

    // The two views of the log: the text view, and every content byte as two
    // hex digits, one blank between bytes ("01 03 C4 0B"). The time and the
    // marker stay as they are in both.
    enum class Form { Text, Hex };

    // The log is emptied once the selected line lies beyond this index.
    static constexpr int kClearAboveIndex = 32000;
    // Characters of the time and the direction marker in front of the content.
    static constexpr int kPrefixLength = 21;

    explicit TrafficLog(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // 'hh:mm:ss.zzz', the nine-character direction marker, the content.
    static QString formatLine(const QDateTime &utc, Direction direction, const QString &content);

    // Appends a line stamped with the given UTC time, selects it and enables
    // the delete button. content holds the line's characters, one per byte, as
    // they went on the line or came from it; form says how the text view
    // shows them, typed is the text as typed for TextForm::Typed.
    void AppendTrafficLine(Direction direction, const QString &content, const QDateTime &utc,
                           TextForm form = TextForm::Raw, const QString &typed = QString());
    // The same for a received block whose stamp was taken after a quiet wait
    // of quietMs milliseconds (negative: the block ended without one).
    void AppendReceivedLine(const QString &content, const QDateTime &utc, TextForm form,
                            qint16 quietMs);
    // The line in the text view: control characters as they were sent or
    // received, unless the line shows them as tokens or as typed.
    QString line(int index) const;
    // The line as a view shows it.
    QString line(int index, Form form) const;
    // The time, the marker and the content's bytes, one per character: what
    // the saved and recorded files are made from.
    const QByteArray &lineBytes(int index) const { return m_lines.at(index); }
    // The line as a view shows it, as the codec's bytes, one per character.
    QByteArray shownBytes(int index, Form form) const;
    // The text view's line with every control character spelled as a token:
    // what is read out, which a raw CR or LF cannot break.
    QString spelledLine(int index) const;
    int count() const { return int(m_lines.size()); }
    // The full UTC date and time of a line, in milliseconds since the epoch:
    // the text shows only the time of day.
    qint64 utcMsecs(int index) const { return m_times.at(std::size_t(index)).utcMsecs; }
    QDateTime utcTime(int index) const;
    Direction direction(int index) const;
    // The quiet time waited before a received line was stamped, or -1 (a
    // sent line, a block that filled the buffer).
    qint16 quietMs(int index) const { return m_times.at(std::size_t(index)).quietMs; }
    // Characters of the longest line since the log was last emptied, in the
    // text view and in a view of that form.
    int longestLineLength() const { return m_longestText; }
    int longestLineLength(Form form) const;

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
    // Per line, without an object of its own on the heap.
    struct LineTime {
        qint64 utcMsecs = 0;
        qint16 quietMs = -1;
        bool sent = false;
    };
    void append(Direction direction, const QString &content, const QDateTime &utc, TextForm form,
                const QString &typed, qint16 quietMs);

    QList<QByteArray> m_lines;      // prefix and the content's bytes
    std::vector<LineTime> m_times;  // one per line
    std::vector<TextForm> m_forms;  // one per line
    QHash<int, QByteArray> m_typed; // the typed text of the Typed lines, as bytes
    int m_longestText = 0;
    int m_longestContent = 0; // bytes of the longest content
    int m_selected = -1;
    bool m_deleteEnabled = false;
};
