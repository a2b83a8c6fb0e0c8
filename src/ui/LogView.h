#pragma once

#include "engine/LogSearch.h"
#include "engine/TrafficLog.h"
#include "text/ReceivedChecksum.h"
#include "ui/LogCellPainter.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

class QScrollBar;
class TrafficLog;

// The traffic log on screen: one row per line in a fixed-pitch font, the
// selected line highlighted and followed.
//
// It is drawn for speed at any line rate: the vertical scroll bar counts rows
// and the horizontal one columns (reaching the end of the longest line); only
// the rows and columns inside the exposed region are painted; new lines move
// what is already on screen by a blit, so a frame paints only the rows that
// came in and the two whose selection changed. Changes of the log are
// gathered into frames of at most 30 a second. The scroll bars follow a
// stream of lines ten times a second: drawing them costs more than the rows.
//
// The user selects a line with the mouse or the arrow, page, Home and End
// keys, and a range of lines with Shift and either; Ctrl+C copies the selected
// line as the view shows it, a range in the form of the saved log (in the hex
// view as shown). End also follows new lines again. The keyboard focus shows
// on the frame, as on a focused text box. A match of the find is highlighted
// in its line.
//
// The port's event lines are drawn in grey, the same in both views.
//
// With a checksum chosen, every [IN] line that carries one is marked after
// its data: " ✓" in green, or " ✗ C4 0B" in red with the bytes expected; what
// is read out ends with the same. Only the rows painted are checked, so the
// marks cost nothing for lines off screen; copies stay without them.
//
// It shows the log in the text view or the hex view (setForm); switching
// redraws the whole view at once, since every line derives its look from its
// bytes when it is drawn.
class LogView : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int kFrameIntervalMs = 33;
    static constexpr int kTrailingFrameMs = 20;
    static constexpr int kScrollBarIntervalMs = 100;

    explicit LogView(QWidget *parent = nullptr);
    void setLog(TrafficLog *log);
    TrafficLog *log() const;

    // The line shown at a point of the viewport, or -1.
    int rowAt(QPoint viewportPoint) const;
    // Where a line is drawn in the viewport (it may lie outside the viewport).
    QRect rowRect(int row) const;
    int firstVisibleRow() const;
    // Rows and columns that fit whole.
    int fullRows() const;
    int fullColumns() const;
    const LogCellPainter &cells() const { return m_cells; }

    // Which view of the log is shown.
    void setForm(TrafficLog::Form form);
    TrafficLog::Form form() const { return m_form; }

    // The line as the view shows it: in the text view its characters as
    // they are, in the hex view its hex text.
    QString shownLine(int row) const;
    // What assistive technology reads of a line: in the text view every
    // control character spelled as a token, in the hex view the hex text.
    QString accessibleLine(int row) const;

    // What the [IN] lines are checked with: the checksum, the line end that
    // may follow it (see checkReceived) and the language of the texts read
    // out; nothing for no marks.
    struct ChecksumMarks {
        Checksum kind = Checksum::Crc16Modbus;
        QByteArray lineEnd;
        quint8 language = 0;
    };
    void setChecksumMarks(const std::optional<ChecksumMarks> &marks);
    // The check of a line as its mark shows it; nothing for a line without one.
    std::optional<ReceivedChecksum> checkOf(int row) const;

    // The line as shown to the clipboard; nothing for a line that does not
    // exist.
    void copyLine(int row) const;
    // Every line, in the form of the saved log.
    void copyAll() const;
    // The selected lines: one as copyLine does, a range in the form of the
    // saved log, in the hex view as shown, each line ended by LF.
    void copySelection() const;

    // Highlights a match of the find in its line; none removes it. Emptying
    // the log or switching the view removes it too.
    void setMatch(const std::optional<LogSearch::Match> &match);
    std::optional<LogSearch::Match> match() const { return m_match; }

    // Frames painted so far, and whether one waits to be drawn; for tests and
    // measurements.
    quint64 framesDone() const { return m_frames; }
    bool framePending() const { return m_frameTimer.isActive(); }

Q_SIGNALS:
    // A double click on the list, on a line or below the last one.
    void doubleClickedAnywhere();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void rowsAppended(int first);
    void logReset();
    void selectionMoved();
    void requestFrame();
    void frame();
    void syncScrollBars();
    bool barVisibilityOutdated(const QScrollBar *bar) const;
    void requestScrollBarSync();
    void moveTo(int top, int left);
    int lastTop() const;
    void updateRows(int first, int last);
    void takeFont();
    void selectRow(int row);
    void paintRect(QPainter &painter, const QRect &rect);
    void paintMatch(QPainter &painter, const QByteArray &line, int firstColumn, int lastColumn,
                    int y);
    void paintMark(QPainter &painter, int row, int end, int firstColumn, int lastColumn, int y,
                   const QColor &selectedInk);
    int markColumns() const;
    void paintFocusFrame();
    void notifyAccessibility();
    int textLeft() const;

    // The log may go before the view (the window's engine is destroyed
    // before its child widgets): the view then shows nothing.
    QPointer<TrafficLog> m_log;
    TrafficLog::Form m_form = TrafficLog::Form::Text;
    LogCellPainter m_cells;
    QTimer m_frameTimer;
    QTimer m_scrollBarTimer;
    int m_top = 0;  // the first row shown
    int m_left = 0; // the first column shown
    QElapsedTimer m_sinceFrame;
    quint64 m_frames = 0;
    // What changed since the last frame.
    int m_firstNewRow = -1;
    bool m_wholeView = false;
    bool m_follow = false;
    int m_paintedSelection = -1;
    int m_paintedFirst = -1; // the selected range as painted
    int m_paintedLast = -1;
    std::optional<LogSearch::Match> m_match;
    std::optional<ChecksumMarks> m_marks;
    bool m_accessibleReset = false;
    bool m_formChanged = false;
    qreal m_cellsDpr = 1.0;
};
