#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>

#include <algorithm>
#include <vector>

// The traffic log: one line per transmission or received block, appended at
// the end and never sorted. It also keeps the selected lines, whether new
// lines are followed and whether the delete button is enabled, because the
// size limit and the button depend on them.
//
// The selection is a range of lines from an anchor to the selected line (the
// one the keys move); most of the time both are the same line. While new
// lines are followed, every appended line becomes the selected one; while the
// view is held, lines are appended behind the selection and counted.
//
// Every line keeps the bytes of its content once, as they went on the line or
// came from it, behind its time and direction marker: what the text view shows
// (control characters as tokens, the text as typed) and the hex view are
// derived when a line is drawn, copied or saved. So a received STX and a
// received "<STX>" stay apart, and a full log of 32,000 lines of 2,048
// characters takes about 65 MB. Only an [OUT] line whose typed text differs
// from its bytes' tokens keeps that text as well. A character without a byte
// (which neither the send nor the receive path can produce) is kept as '?'.
//
// Beside the data lines, the [OUT] and [IN] lines, the log holds the port's
// own events (opened, closed, lost, awaited) as lines of a third kind: a
// comment "# 09:05:03.007 COM1 opened: 9600 8N1", shown, copied, saved and
// recorded as it stands, in the hex view too. They count toward the size
// limit like any line, but they are no data: whatever reads the traffic
// (times, replies, find, checks) asks isDataLine() and passes them by.
class TrafficLog : public QAbstractListModel {
    Q_OBJECT
public:
    enum class Direction { Sent, Received };
    enum class LineKind : quint8 { Sent, Received, Event };

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

    // The log is emptied once the selected line lies beyond this index (while
    // new lines are followed) or once it holds more lines than one past it
    // (while the view is held).
    static constexpr int kClearAboveIndex = 32000;
    // Characters of the time and the direction marker in front of the content.
    static constexpr int kPrefixLength = 21;

    explicit TrafficLog(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // 'hh:mm:ss.zzz', the nine-character direction marker, the content.
    static QString formatLine(const QDateTime &utc, Direction direction, const QString &content);

    // Appends a line stamped with the given UTC time, selects it while new
    // lines are followed (else counts it) and enables the delete button. content holds the line's
    // characters, one per byte, as they went on the line or came from it; form says how the text
    // view shows them, typed is the text as typed for TextForm::Typed.
    // trigger: the number of the trigger rule that sent the line, 0 for none.
    void AppendTrafficLine(Direction direction, const QString &content, const QDateTime &utc,
                           TextForm form = TextForm::Raw, const QString &typed = QString(),
                           int trigger = 0);
    // The same for a received block whose stamp was taken after a quiet wait
    // of quietMs milliseconds (negative: the block ended without one).
    void AppendReceivedLine(const QString &content, const QDateTime &utc, TextForm form,
                            qint16 quietMs);
    // Appends an event of the port, told by text; control characters in it
    // become blanks, so it stays one line.
    void appendEvent(const QString &text, const QDateTime &utc);
    // Whether a line is a transmission or a received block, not an event.
    bool isDataLine(int index) const { return kind(index) != LineKind::Event; }
    LineKind kind(int index) const { return m_times.at(std::size_t(index)).kind; }
    // Whether the bytes of a line (lineBytes) are those of an event line:
    // they begin with '#', which a data line's time never does.
    static bool isEventBytes(QByteArrayView line) { return line.startsWith('#'); }
    // The line in the text view: control characters as they were sent or
    // received, unless the line shows them as tokens or as typed.
    QString line(int index) const;
    // The line as a view shows it.
    QString line(int index, Form form) const;
    // The time, the marker and the content's bytes, one per character (an
    // event line's whole text): what the saved and recorded files are made
    // from.
    const QByteArray &lineBytes(int index) const { return m_lines.at(index); }
    // The line as a view shows it, as the codec's bytes, one per character.
    QByteArray shownBytes(int index, Form form) const;
    // How the text view shows the line's content.
    TextForm textForm(int index) const { return m_forms.at(std::size_t(index)); }
    // The token the text view shows for a byte of a TextForm::Tokens line;
    // empty for a byte shown as it is.
    static QByteArrayView displayToken(uchar byte);
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
    // The number of the trigger rule that sent a line; 0 for any other line.
    int trigger(int index) const { return m_times.at(std::size_t(index)).trigger; }
    // Characters of the longest line since the log was last emptied, in the
    // text view and in a view of that form.
    int longestLineLength() const { return m_longestText; }
    int longestLineLength(Form form) const;

    // Removes every line; the delete button keeps its state, nothing is
    // selected and the count of held lines starts again.
    void clear();

    // The selected line; setting it selects that one line.
    int selectedIndex() const { return m_selected; }
    void setSelectedIndex(int index);
    // Moves the selected line and keeps the anchor: the lines between are
    // selected too. A range of more than one line holds the view.
    void extendSelection(int index);
    int selectionFirst() const { return std::min(m_anchor, m_selected); }
    int selectionLast() const { return std::max(m_anchor, m_selected); }
    int selectedCount() const
    {
        return m_selected < 0 ? 0 : selectionLast() - selectionFirst() + 1;
    }
    bool isSelected(int index) const
    {
        return m_selected >= 0 && index >= selectionFirst() && index <= selectionLast();
    }

    // Whether every new line is selected; off, the view is held.
    bool followNewLines() const { return m_follow; }
    void setFollowNewLines(bool follow);
    // Lines appended since the view was held or the log emptied.
    int heldLines() const { return m_heldLines; }
    // Whether the next poll empties the log (see kClearAboveIndex).
    bool clearDue() const;

    bool deleteEnabled() const { return m_deleteEnabled; }
    void setDeleteEnabled(bool enabled);

Q_SIGNALS:
    void selectedIndexChanged(int index); // also when only the range changed
    void deleteEnabledChanged(bool enabled);
    void followNewLinesChanged(bool follow);

private:
    // Per line, without an object of its own on the heap.
    struct LineTime {
        qint64 utcMsecs = 0;
        qint16 quietMs = -1;
        LineKind kind = LineKind::Received;
        quint8 trigger = 0;
    };
    void append(Direction direction, const QString &content, const QDateTime &utc, TextForm form,
                const QString &typed, qint16 quietMs, int trigger = 0);
    void insertLine(QByteArray bytes, TextForm form, LineTime time);

    QList<QByteArray> m_lines;      // prefix and the content's bytes
    std::vector<LineTime> m_times;  // one per line
    std::vector<TextForm> m_forms;  // one per line
    QHash<int, QByteArray> m_typed; // the typed text of the Typed lines, as bytes
    int m_longestText = 0;
    int m_longestContent = 0; // bytes of the longest content
    int m_longestEvent = 0;   // characters of the longest event line
    int m_selected = -1;
    int m_anchor = -1;
    int m_heldLines = 0;
    bool m_follow = true;
    bool m_deleteEnabled = false;
};
