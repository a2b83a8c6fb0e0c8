#include "ui/LogView.h"

#include "engine/LogFile.h"
#include "engine/TrafficLog.h"
#include "text/StringTable.h"
#include "text/modFormat.h"
#include "ui/LogViewAccessible.h"

#include <QAccessible>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <cmath>

namespace {

// Room between the frame and the first column.
constexpr int kTextLeft = 2;

constexpr qint32 kCheckRightText = 2239;
constexpr qint32 kCheckWrongText = 2240;
const QColor kCheckRight(0, 128, 0);
const QColor kCheckWrong(200, 0, 0);

bool isWholePixelRatio(qreal dpr)
{
    return std::abs(dpr - std::round(dpr)) < 1e-6;
}

} // namespace

LogView::LogView(QWidget *parent) : QAbstractScrollArea(parent)
{
    LogViewAccessible::install();
    setFocusPolicy(Qt::StrongFocus);
    // Every pixel is painted here, so Qt neither clears the viewport first nor
    // repaints it whole when its contents are moved by a blit.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_frameTimer.setSingleShot(true);
    m_frameTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_frameTimer, &QTimer::timeout, this, &LogView::frame);
    m_scrollBarTimer.setSingleShot(true);
    connect(&m_scrollBarTimer, &QTimer::timeout, this, &LogView::syncScrollBars);
    takeFont();
}

void LogView::setLog(TrafficLog *log)
{
    if (m_log)
        disconnect(m_log, nullptr, this, nullptr);
    m_log = log;
    if (log) {
        connect(log, &TrafficLog::rowsInserted, this,
                [this](const QModelIndex &, int first, int) { rowsAppended(first); });
        connect(log, &TrafficLog::modelReset, this, &LogView::logReset);
        connect(log, &TrafficLog::selectedIndexChanged, this, &LogView::selectionMoved);
    }
    logReset();
    selectionMoved();
}

TrafficLog *LogView::log() const { return m_log.data(); }

int LogView::firstVisibleRow() const { return m_top; }

int LogView::lastTop() const
{
    return std::max(0, (m_log ? m_log->count() : 0) - std::max(1, fullRows()));
}

int LogView::fullRows() const { return viewport()->height() / m_cells.rowHeight(); }

int LogView::fullColumns() const
{
    return std::max(0, viewport()->width() - kTextLeft) / m_cells.cellWidth();
}

int LogView::textLeft() const { return kTextLeft; }

int LogView::rowAt(QPoint viewportPoint) const
{
    if (!m_log || viewportPoint.y() < 0)
        return -1;
    const int row = firstVisibleRow() + viewportPoint.y() / m_cells.rowHeight();
    return row < m_log->count() ? row : -1;
}

QRect LogView::rowRect(int row) const
{
    const int rowHeight = m_cells.rowHeight();
    return QRect(0, (row - firstVisibleRow()) * rowHeight, viewport()->width(), rowHeight);
}

void LogView::setForm(TrafficLog::Form form)
{
    if (form == m_form)
        return;
    m_form = form;
    m_match.reset(); // its columns were those of the other view
    m_wholeView = true;
    m_accessibleReset = true; // every line reads differently now
    m_formChanged = true;
    syncScrollBars();
    requestFrame();
}

QString LogView::shownLine(int row) const
{
    if (!m_log || row < 0 || row >= m_log->count())
        return QString();
    return m_log->line(row, m_form);
}

QString LogView::accessibleLine(int row) const
{
    if (!m_log || row < 0 || row >= m_log->count())
        return QString();
    const QString line = m_form == TrafficLog::Form::Hex ? m_log->line(row, m_form)
                                                         : m_log->spelledLine(row);
    const auto check = checkOf(row);
    if (!check)
        return line;
    const quint8 lang = m_marks->language;
    return line + QStringLiteral(", ") +
           (check->correct ? fkt_ToolsGetResString(kCheckRightText, lang)
                           : fkt_FormatInsertParam(fkt_ToolsGetResString(kCheckWrongText, lang),
                                                   {hexBytes(check->expected)}));
}

void LogView::setChecksumMarks(const std::optional<ChecksumMarks> &marks)
{
    m_marks = marks;
    m_wholeView = true;
    m_accessibleReset = true; // the lines read differently now
    m_formChanged = true;
    syncScrollBars();
    requestFrame();
}

std::optional<ReceivedChecksum> LogView::checkOf(int row) const
{
    if (!m_marks || !m_log || row < 0 || row >= m_log->count() ||
        m_log->kind(row) != TrafficLog::LineKind::Received)
        return std::nullopt;
    const QByteArrayView content =
        QByteArrayView(m_log->lineBytes(row)).sliced(TrafficLog::kPrefixLength);
    return checkReceived(m_marks->kind, content, m_marks->lineEnd);
}

// A blank, the mark and, when wrong, a blank and the bytes expected.
int LogView::markColumns() const
{
    return m_marks ? 2 + 3 * int(checksumSize(m_marks->kind)) : 0;
}

void LogView::copyLine(int row) const
{
    if (m_log && row >= 0 && row < m_log->count())
        QGuiApplication::clipboard()->setText(shownLine(row));
}

void LogView::copyAll() const
{
    if (m_log)
        QGuiApplication::clipboard()->setText(QString::fromUtf8(LogFile::text(*m_log)));
}

void LogView::copySelection() const
{
    if (!m_log || m_log->selectedCount() <= 1) {
        copyLine(m_log ? m_log->selectedIndex() : -1);
        return;
    }
    QByteArray text;
    for (int row = m_log->selectionFirst(); row <= m_log->selectionLast(); ++row) {
        if (m_form == TrafficLog::Form::Hex)
            text += shownLine(row).toUtf8() + '\n';
        else
            LogFile::appendLine(text, m_log->lineBytes(row));
    }
    QGuiApplication::clipboard()->setText(QString::fromUtf8(text));
}

void LogView::setMatch(const std::optional<LogSearch::Match> &match)
{
    if (m_match)
        updateRows(m_match->row, m_match->row);
    m_match = match;
    if (!m_match)
        return;
    updateRows(m_match->row, m_match->row);
    // The match is brought into view sideways, with a little of what precedes it.
    const int columns = std::max(1, fullColumns());
    const int end = m_match->column + m_match->length;
    if (m_match->column >= m_left && end <= m_left + columns)
        return;
    const int widest = m_log ? std::max(0, m_log->longestLineLength(m_form) - columns) : 0;
    moveTo(m_top, std::clamp(m_match->column - columns / 4, 0, widest));
    requestScrollBarSync();
}

void LogView::rowsAppended(int first)
{
    if (m_firstNewRow < 0 || first < m_firstNewRow)
        m_firstNewRow = first;
    requestFrame();
}

void LogView::logReset()
{
    m_wholeView = true;
    m_firstNewRow = -1;
    m_accessibleReset = true;
    m_match.reset();
    requestFrame();
}

void LogView::selectionMoved()
{
    m_follow = true;
    requestFrame();
}

// Changes are gathered into frames. A change after a quiet spell is drawn at
// once (after the events already queued). While changes keep coming, the first
// one a frame interval after the last frame is drawn in the same wake-up as
// the change itself; a short timer, put off by each change, draws the last
// ones when the stream stops. So a stream of lines causes no wake-ups of its own.
void LogView::requestFrame()
{
    const qint64 since = m_sinceFrame.isValid() ? m_sinceFrame.elapsed() : kFrameIntervalMs;
    if (since >= kFrameIntervalMs) {
        if (!m_frameTimer.isActive() || m_frameTimer.remainingTime() > 0)
            m_frameTimer.start(0);
        return;
    }
    m_frameTimer.start(int(std::max<qint64>(kFrameIntervalMs - since, kTrailingFrameMs)));
}

void LogView::frame()
{
    m_sinceFrame.start();
    ++m_frames;
    const int selected = m_log ? m_log->selectedIndex() : -1;
    // Moving first: the blit shifts what is on screen, and the rows marked
    // below are then where they are drawn.
    int top = std::min(m_top, lastTop());
    if (m_follow && selected >= 0) {
        const int rows = std::max(1, fullRows());
        if (selected < top)
            top = selected;
        else if (selected >= top + rows)
            top = selected - rows + 1;
    }
    m_follow = false;
    moveTo(top, m_left);
    if (m_wholeView) {
        viewport()->update();
    } else {
        if (m_firstNewRow >= 0 && m_log)
            updateRows(m_firstNewRow, m_log->count() - 1);
        const int first = m_log ? m_log->selectionFirst() : -1;
        const int last = m_log ? m_log->selectionLast() : -1;
        if (selected != m_paintedSelection || first != m_paintedFirst || last != m_paintedLast) {
            updateRows(m_paintedFirst, m_paintedLast);
            updateRows(first, last);
        }
        m_paintedFirst = first;
        m_paintedLast = last;
    }
    m_wholeView = false;
    m_firstNewRow = -1;
    notifyAccessibility();
    m_paintedSelection = selected;
    requestScrollBarSync();
}

void LogView::requestScrollBarSync()
{
    if (!m_scrollBarTimer.isActive())
        m_scrollBarTimer.start(kScrollBarIntervalMs);
}

// The scroll bars take the view's position without moving it again.
void LogView::syncScrollBars()
{
    m_scrollBarTimer.stop();
    const int longest = m_log ? m_log->longestLineLength(m_form) + markColumns() : 0;
    const int rows = std::max(1, fullRows());
    const int columns = std::max(1, fullColumns());
    QScrollBar *vertical = verticalScrollBar();
    {
        const QSignalBlocker quiet(vertical);
        vertical->setRange(0, lastTop());
        vertical->setPageStep(rows);
        vertical->setSingleStep(1);
        vertical->setValue(m_top);
    }
    QScrollBar *horizontal = horizontalScrollBar();
    {
        const QSignalBlocker quiet(horizontal);
        horizontal->setRange(0, std::max(0, longest - columns));
        horizontal->setPageStep(columns);
        horizontal->setSingleStep(1);
        horizontal->setValue(m_left);
    }
    // A range that shrank may have moved a bar's value.
    moveTo(vertical->value(), horizontal->value());
    // The bars' signals were held back, and with them the area's own way of
    // learning that a bar is needed now or no longer: it shows and hides the
    // bars when it lays itself out.
    if (barVisibilityOutdated(vertical) || barVisibilityOutdated(horizontal))
        QCoreApplication::postEvent(this, new QEvent(QEvent::LayoutRequest));
}

bool LogView::barVisibilityOutdated(const QScrollBar *bar) const
{
    const Qt::ScrollBarPolicy policy = bar->orientation() == Qt::Vertical
                                           ? verticalScrollBarPolicy()
                                           : horizontalScrollBarPolicy();
    return policy == Qt::ScrollBarAsNeeded &&
           (bar->maximum() > bar->minimum()) != bar->isVisibleTo(this);
}

// Shows the rows from top and the columns from left, moving what is on
// screen by whole cells and redrawing only what that uncovers.
void LogView::moveTo(int top, int left)
{
    const int dy = m_top - top;
    const int dx = m_left - left;
    if (dx == 0 && dy == 0)
        return;
    m_top = top;
    m_left = left;
    // With a fractional pixel ratio a blit would leave seams.
    if ((dx != 0 && dy != 0) || !isWholePixelRatio(viewport()->devicePixelRatioF())) {
        viewport()->update();
    } else if (dy != 0) {
        viewport()->scroll(0, dy * m_cells.rowHeight());
    } else {
        // The room left of the first column stays where it is.
        QRect columns = viewport()->rect();
        columns.setLeft(kTextLeft);
        viewport()->scroll(dx * m_cells.cellWidth(), 0, columns);
    }
}

void LogView::updateRows(int first, int last)
{
    if (first < 0 || last < first)
        return;
    const int top = firstVisibleRow();
    const int bottom = top + fullRows(); // the partly shown row included
    first = std::max(first, top);
    last = std::min(last, bottom);
    if (first > last)
        return;
    const int rowHeight = m_cells.rowHeight();
    viewport()->update(
        QRect(0, (first - top) * rowHeight, viewport()->width(), (last - first + 1) * rowHeight));
}

void LogView::scrollContentsBy(int, int)
{
    // The user moved a scroll bar (which counts rows and columns); the bars
    // may lag behind the view by a moment, so the view's own position counts.
    moveTo(verticalScrollBar()->value(), horizontalScrollBar()->value());
}

void LogView::paintEvent(QPaintEvent *event)
{
    if (!qFuzzyCompare(viewport()->devicePixelRatioF(), m_cellsDpr))
        takeFont();
    QPainter painter(viewport());
    for (const QRect &rect : event->region())
        paintRect(painter, rect);
    const int selected = m_log ? m_log->selectedIndex() : -1;
    if (hasFocus() && selected >= 0 && event->region().intersects(rowRect(selected))) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rowRect(selected);
        option.backgroundColor = palette().color(QPalette::Highlight);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

bool LogView::event(QEvent *event)
{
    const bool handled = QAbstractScrollArea::event(event);
    if (event->type() == QEvent::Paint && hasFocus())
        paintFocusFrame();
    return handled;
}

// The keyboard focus shows on the frame around the rows, as the style draws
// it around a focused text box; the rows inside stay as they are.
void LogView::paintFocusFrame()
{
    QPainter painter(this);
    painter.setClipRegion(QRegion(frameRect()) - QRegion(contentsRect()));
    QStyleOptionFrame option;
    option.initFrom(this);
    option.rect = frameRect();
    option.lineWidth = frameWidth();
    option.state |= QStyle::State_Sunken | QStyle::State_HasFocus;
    style()->drawPrimitive(QStyle::PE_FrameLineEdit, &option, &painter, this);
}

void LogView::paintRect(QPainter &painter, const QRect &rect)
{
    const QPalette::ColorGroup group = !isEnabled()       ? QPalette::Disabled
                                       : isActiveWindow() ? QPalette::Active
                                                          : QPalette::Inactive;
    const QPalette &colours = palette();
    painter.fillRect(rect, colours.color(group, QPalette::Base));
    if (!m_log || m_log->count() == 0)
        return;
    const int rowHeight = m_cells.rowHeight();
    const int cellWidth = m_cells.cellWidth();
    const int top = firstVisibleRow();
    const int left = m_left;
    const int firstRow = top + std::max(0, rect.top()) / rowHeight;
    const int lastRow = std::min(m_log->count() - 1, top + rect.bottom() / rowHeight);
    const int firstColumn = left + std::max(0, rect.left() - kTextLeft) / cellWidth;
    const int lastColumn = left + std::max(0, rect.right() - kTextLeft) / cellWidth;
    for (int row = firstRow; row <= lastRow; ++row) {
        const int y = (row - top) * rowHeight;
        // The port's events stand back in grey from the traffic.
        QColor ink = colours.color(group, m_log->isDataLine(row) ? QPalette::Text
                                                                 : QPalette::PlaceholderText);
        if (m_log->isSelected(row)) {
            painter.fillRect(QRect(rect.left(), y, rect.width(), rowHeight),
                             colours.color(group, QPalette::Highlight));
            ink = colours.color(group, QPalette::HighlightedText);
        }
        const QByteArray line = m_log->shownBytes(row, m_form);
        m_cells.paintRow(painter, line, firstColumn, lastColumn - firstColumn + 1,
                         QPoint(kTextLeft + (firstColumn - left) * cellWidth, y), ink);
        if (m_marks)
            paintMark(painter, row, int(line.size()), firstColumn, lastColumn, y,
                      m_log->isSelected(row) ? ink : QColor());
        if (m_match && m_match->row == row)
            paintMatch(painter, line, firstColumn, lastColumn, y);
    }
}

// " ✓" or " ✗ C4 0B" from the column end on: the mark in the second cell,
// the bytes expected after it. On a selected line in the selection's ink.
void LogView::paintMark(QPainter &painter, int row, int end, int firstColumn, int lastColumn, int y,
                        const QColor &selectedInk)
{
    const auto check = checkOf(row);
    if (!check)
        return;
    QByteArray cells("  ");
    if (!check->correct)
        cells += ' ' + hexBytes(check->expected).toLatin1();
    const int from = std::max(firstColumn, end);
    const int to = std::min(lastColumn, end + int(cells.size()) - 1);
    if (from > to)
        return;
    const QColor colour = selectedInk.isValid() ? selectedInk
                          : check->correct      ? kCheckRight
                                                : kCheckWrong;
    const int cellWidth = m_cells.cellWidth();
    m_cells.paintRow(painter, cells, from - end, to - from + 1,
                     QPoint(kTextLeft + (from - m_left) * cellWidth, y), colour);
    const int symbol = end + 1;
    if (symbol >= from && symbol <= to)
        m_cells.paintSymbol(painter, check->correct ? QChar(0x2713) : QChar(0x2717),
                            QPoint(kTextLeft + (symbol - m_left) * cellWidth, y), colour);
}

// The match's cells are painted over in the colours of a text box's
// selection turned around, so it stands out in a selected line too: black on
// yellow.
void LogView::paintMatch(QPainter &painter, const QByteArray &line, int firstColumn, int lastColumn,
                         int y)
{
    const int from = std::max(firstColumn, m_match->column);
    const int to = std::min(lastColumn, m_match->column + m_match->length - 1);
    if (from > to)
        return;
    const int cellWidth = m_cells.cellWidth();
    const QPoint topLeft(kTextLeft + (from - m_left) * cellWidth, y);
    painter.fillRect(QRect(topLeft, QSize((to - from + 1) * cellWidth, m_cells.rowHeight())),
                     QColor(255, 230, 0));
    m_cells.paintRow(painter, line, from, to - from + 1, topLeft, Qt::black);
}

void LogView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    m_follow = true;
    syncScrollBars();
    requestFrame();
}

void LogView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        const int row = rowAt(event->position().toPoint());
        if (row >= 0 && m_log && (event->modifiers() & Qt::ShiftModifier))
            m_log->extendSelection(row);
        else if (row >= 0)
            selectRow(row);
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void LogView::mouseDoubleClickEvent(QMouseEvent *event)
{
    const int row = rowAt(event->position().toPoint());
    if (row >= 0)
        selectRow(row);
    QAbstractScrollArea::mouseDoubleClickEvent(event);
    Q_EMIT doubleClickedAnywhere();
}

void LogView::keyPressEvent(QKeyEvent *event)
{
    if (!m_log) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const int selected = m_log->selectedIndex();
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
        return;
    }
    const int page = std::max(1, fullRows() - 1);
    int row = selected;
    switch (event->key()) {
    case Qt::Key_Up:
        row = selected - 1;
        break;
    case Qt::Key_Down:
        row = selected + 1;
        break;
    case Qt::Key_PageUp:
        row = selected - page;
        break;
    case Qt::Key_PageDown:
        row = selected + page;
        break;
    case Qt::Key_Home:
        row = 0;
        break;
    case Qt::Key_End:
        row = m_log->count() - 1;
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event); // Left and Right scroll sideways
        return;
    }
    if (m_log->count() > 0) {
        row = std::clamp(row, 0, m_log->count() - 1);
        if (event->modifiers() & Qt::ShiftModifier) {
            m_log->extendSelection(row);
        } else {
            selectRow(row);
            // End goes to the newest line and stays with the lines to come.
            if (event->key() == Qt::Key_End)
                m_log->setFollowNewLines(true);
        }
    }
    event->accept();
}

void LogView::selectRow(int row)
{
    if (m_log)
        m_log->setSelectedIndex(row);
}

void LogView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    switch (event->type()) {
    case QEvent::FontChange:
        takeFont();
        break;
    case QEvent::PaletteChange:
    case QEvent::EnabledChange:
    case QEvent::ActivationChange:
        viewport()->update();
        break;
    default:
        break;
    }
}

void LogView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    if (m_log)
        updateRows(m_log->selectedIndex(), m_log->selectedIndex());
}

void LogView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    if (m_log)
        updateRows(m_log->selectedIndex(), m_log->selectedIndex());
}

void LogView::takeFont()
{
    m_cellsDpr = viewport()->devicePixelRatioF();
    m_cells.setFont(font(), m_cellsDpr);
    syncScrollBars();
    viewport()->update();
}

void LogView::notifyAccessibility()
{
    // Only the selected line is announced, once a frame: a screen reader
    // cannot follow a hundred lines a second, and building every line's
    // interface would cost the time the frames save.
    if (!QAccessible::isActive() || !m_log)
        return;
    const int selected = m_log->selectedIndex();
    if (m_accessibleReset)
        LogViewAccessible::logReset(this);
    m_accessibleReset = false;
    if (m_formChanged && selected >= 0) {
        // The selected line now reads as the other view shows it.
        QAccessibleEvent named(this, QAccessible::NameChanged);
        named.setChild(selected);
        QAccessible::updateAccessibility(&named);
    }
    m_formChanged = false;
    if (selected < 0 || selected == m_paintedSelection)
        return;
    QAccessibleEvent selection(this, QAccessible::Selection);
    selection.setChild(selected);
    QAccessible::updateAccessibility(&selection);
    if (hasFocus()) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(selected);
        QAccessible::updateAccessibility(&focus);
    }
}
