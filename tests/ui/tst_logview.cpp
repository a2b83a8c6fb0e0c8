#include "engine/LogFile.h"
#include "engine/LogSearch.h"
#include "text/Codec.h"
#include "engine/TrafficLog.h"
#include "ui/LogCellPainter.h"
#include "ui/LogView.h"

#include <QAccessible>
#include <QClipboard>
#include <QFontDatabase>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include <algorithm>

class tst_LogView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void controlCharactersLookDistinct_data();
    void controlCharactersLookDistinct();
    void scrollRangeReachesLongestLine_data();
    void scrollRangeReachesLongestLine();
    void oneColumnWideReachesTheLastCharacter();
    void hexViewDrawsTheDigits();
    void newLinePaintsOnlyWhatChanged();
    void linesOfOneFrameAllShow();
    void framesAreGathered();
    void keysMoveTheSelection_data();
    void keysMoveTheSelection();
    void copyingKeepsOrSpellsCharacters();
    void accessibleLines();
    void findsLinesAsShown_data();
    void findsLinesAsShown();
    void matchIsHighlighted();
    void rangesSelectedAndCopied_data();
    void rangesSelectedAndCopied();
    void heldViewStaysWhereItIs();
};

namespace {

// A log view of its own size with lines of the given texts.
struct Shown {
    TrafficLog log;
    LogView view;
    explicit Shown(const QStringList &lines = {}, QSize size = QSize(400, 200))
    {
        QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        fixed.setPointSize(9);
        view.setFont(fixed);
        // Yellow on blue for the selection: red shows only in its ink.
        QPalette colours = view.palette();
        colours.setColor(QPalette::Base, Qt::white);
        colours.setColor(QPalette::Text, Qt::black);
        colours.setColor(QPalette::Highlight, QColor(0, 0, 160));
        colours.setColor(QPalette::HighlightedText, Qt::yellow);
        view.setPalette(colours);
        view.setLog(&log);
        view.resize(size);
        view.show();
        for (const QString &line : lines)
            append(line);
    }
    void append(const QString &content)
    {
        log.AppendTrafficLine(TrafficLog::Direction::Received, content,
                              QDateTime::currentDateTimeUtc());
    }
    // Lets the pending frame, its paint and the scroll bars' catching up happen.
    bool settle()
    {
        if (!QTest::qWaitFor([&] { return !view.framePending() && view.framesDone() > 0; }, 2000))
            return false;
        QTest::qWait(2 * LogView::kScrollBarIntervalMs);
        return !view.framePending();
    }
};

// Collects the regions the viewport paints.
class PaintWatch : public QObject {
public:
    QRegion painted;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};

QString codeText(int code) { return QString(QChar(char16_t(code))); }

// A row as it is on the screen: what was painted, blits included.
QImage shownRow(LogView &view, int row)
{
    const QRect rect = view.rowRect(row).translated(
        view.viewport()->mapTo(view.window(), QPoint(0, 0)));
    return view.screen()
        ->grabWindow(view.window()->winId(), rect.x(), rect.y(), rect.width(), rect.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// A row as painting it whole gives it now.
QImage drawnRow(LogView &view, int row)
{
    return view.viewport()->grab(view.rowRect(row)).toImage().convertToFormat(QImage::Format_RGB32);
}

// "selected": mostly the highlight colour, ink in the highlighted text's
// colour; "plain": no highlight, black ink on white; else what was seen.
QString look(const QImage &row)
{
    int highlight = 0, white = 0, reddest = 0, darkest = 255;
    for (int y = 0; y < row.height(); ++y) {
        for (int x = 0; x < row.width(); ++x) {
            const QColor pixel = row.pixelColor(x, y);
            highlight += pixel == QColor(0, 0, 160);
            white += pixel == QColor(Qt::white);
            reddest = std::max(reddest, pixel.red());
            darkest = std::min(darkest, pixel.red());
        }
    }
    const int half = row.width() * row.height() / 2;
    if (highlight > half && reddest > 128)
        return QStringLiteral("selected");
    if (highlight == 0 && white > half && darkest < 128)
        return QStringLiteral("plain");
    return QStringLiteral("highlight %1, white %2 of %3 pixels, red %4 to %5")
        .arg(highlight)
        .arg(white)
        .arg(row.width() * row.height())
        .arg(darkest)
        .arg(reddest);
}

} // namespace

void tst_LogView::controlCharactersLookDistinct_data()
{
    QTest::addColumn<int>("pointSize");
    QTest::addColumn<qreal>("dpr");
    QTest::newRow("9 pt") << 9 << 1.0;
    QTest::newRow("9 pt, pixel ratio 2") << 9 << 2.0;
    QTest::newRow("14 pt") << 14 << 1.0;
}

// Every C0 code and DEL must be told apart, whatever glyphs the font has
// (a font without control pictures once drew them all as the same box).
void tst_LogView::controlCharactersLookDistinct()
{
    QFETCH(int, pointSize);
    QFETCH(qreal, dpr);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(pointSize);
    LogCellPainter cells;
    cells.setFont(font, dpr);
    QList<int> codes;
    for (int code = 0; code < 32; ++code)
        codes << code;
    codes << 127 << 0x81 << 0x8D << 0x8F << 0x90 << 0x9D; // and the C1 codes the set keeps
    const QSize cell(cells.cellWidth(), cells.rowHeight());
    QImage blank(cell * dpr, QImage::Format_ARGB32_Premultiplied);
    blank.setDevicePixelRatio(dpr);
    blank.fill(Qt::white);
    QList<QImage> drawn, own;
    for (int code : codes) {
        QImage image = blank.copy();
        QPainter painter(&image);
        cells.paintRow(painter, QByteArray(1, char(code)), 0, 1, QPoint(0, 0), Qt::black);
        painter.end();
        QVERIFY2(image != blank, qPrintable(QString::number(code)));
        drawn << image;
        own << LogCellPainter::ownGlyph(uchar(code), cell, dpr, Qt::black);
    }
    for (int i = 0; i < codes.size(); ++i) {
        for (int j = i + 1; j < codes.size(); ++j) {
            QVERIFY2(drawn[i] != drawn[j], qPrintable(QStringLiteral("%1 and %2 look alike")
                                                          .arg(codes[i])
                                                          .arg(codes[j])));
            QVERIFY(own[i] != own[j]);
        }
    }
    // A blank is drawn as nothing, not as a box.
    for (const char code : {' ', '\xA0'}) {
        QImage image = blank.copy();
        QPainter painter(&image);
        cells.paintRow(painter, QByteArray(3, code), 0, 3, QPoint(0, 0), Qt::black);
        painter.end();
        QVERIFY2(image == blank, qPrintable(QString::number(uchar(code))));
    }
}

// A short line after a long one once cut the range to the short one. Scrolled
// sideways, a line starts at its first visible column.
void tst_LogView::scrollRangeReachesLongestLine_data()
{
    QTest::addColumn<bool>("hex");
    QTest::newRow("text view") << false;
    QTest::newRow("hex view") << true;
}

void tst_LogView::scrollRangeReachesLongestLine()
{
    QFETCH(bool, hex);
    QString letters;
    for (quint32 state = 1; letters.size() < 500; state = state * 1103515245u + 12345u)
        letters += QChar(u'a' + (state >> 16) % 26);
    Shown shown({letters + u'E', QStringLiteral("short"), QStringLiteral("tiny")});
    const auto form = hex ? TrafficLog::Form::Hex : TrafficLog::Form::Text;
    shown.view.setForm(form);
    QCOMPARE(shown.view.form(), form);
    QVERIFY(shown.settle());
    const int longest = shown.log.longestLineLength(form);
    QCOMPARE(longest, hex ? 21 + 501 * 3 - 1 : 21 + 501);
    QScrollBar *bar = shown.view.horizontalScrollBar();
    QCOMPARE(bar->maximum(), longest - shown.view.fullColumns());
    const QImage before = shownRow(shown.view, 0);
    const int columns = 7;
    bar->setValue(columns);
    QVERIFY(shown.settle());
    const QImage after = shownRow(shown.view, 0);
    QCOMPARE(after, drawnRow(shown.view, 0)); // the blit and the uncovered strip
    const int shift = columns * shown.view.cells().cellWidth();
    const int from = 2 * shown.view.cells().cellWidth(); // past the room left of the text
    const QRect kept(from, 0, after.width() - shift - from, after.height());
    QCOMPARE(after.copy(kept), before.copy(kept.translated(shift, 0)));
    bar->setValue(bar->maximum()); // the long line's last character in the last whole column
    QCOMPARE(longest - bar->value(), shown.view.fullColumns());
    // The other view: the range follows at once, and the position stays within it.
    const auto other = hex ? TrafficLog::Form::Text : TrafficLog::Form::Hex;
    shown.view.setForm(other);
    QCOMPARE(bar->maximum(), shown.log.longestLineLength(other) - shown.view.fullColumns());
    QVERIFY(bar->value() <= bar->maximum());
    bar->setValue(0);
    QVERIFY(shown.settle());
    shown.log.clear();
    QTRY_COMPARE(bar->maximum(), 0);
    QVERIFY(shown.settle());
    QCOMPARE(shownRow(shown.view, 0), drawnRow(shown.view, 0)); // nothing of the lines stays
}

// The hex view draws every byte as two digits; the text view the byte's own
// glyph in one cell.
// A view narrowed to a single whole column scrolls to the last character of
// the longest line, and no further.
void tst_LogView::oneColumnWideReachesTheLastCharacter()
{
    Shown shown({QString(30, u'x')});
    while (shown.view.fullColumns() > 1)
        shown.view.resize(shown.view.width() - 1, shown.view.height());
    QVERIFY(shown.settle());
    QCOMPARE(shown.view.fullColumns(), 1);
    QScrollBar *bar = shown.view.horizontalScrollBar();
    QCOMPARE(bar->maximum(), shown.log.longestLineLength(TrafficLog::Form::Text) - 1);
}

void tst_LogView::hexViewDrawsTheDigits()
{
    Shown shown({codeText(2) + codeText(2)}, QSize(600, 80));
    QVERIFY(shown.settle());
    const auto inkIn = [&shown](int column) {
        const QImage image = shown.view.viewport()->grab().toImage();
        const int cell = shown.view.cells().cellWidth();
        const QRect rect(2 + column * cell, 0, cell, shown.view.cells().rowHeight());
        const QRgb background = image.pixel(rect.right(), rect.bottom());
        int ink = 0;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                ink += image.pixel(x, y) != background;
        return ink;
    };
    shown.log.setSelectedIndex(-1); // no highlight over the row
    QVERIFY(shown.settle());
    QVERIFY(inkIn(21) > 0);
    QCOMPARE(inkIn(23), 0); // two bytes: columns 21 and 22
    shown.view.setForm(TrafficLog::Form::Hex);
    QVERIFY(shown.settle());
    for (int column = 21; column <= 25; ++column) // "02 02": blank at 23
        QVERIFY2((inkIn(column) > 0) == (column != 23), qPrintable(QString::number(column)));
    QCOMPARE(inkIn(26), 0);
}

// A new line moves the rows on screen by a blit: what is painted is the new
// row and the rows whose selection changed, not the whole view.
void tst_LogView::newLinePaintsOnlyWhatChanged()
{
    Shown shown;
    for (int i = 0; i < 50; ++i)
        shown.append(QStringLiteral("line %1").arg(i));
    QVERIFY(shown.settle());
    PaintWatch watch;
    shown.view.viewport()->installEventFilter(&watch);
    shown.append(QStringLiteral("the new one"));
    QVERIFY(shown.settle());
    const int rowHeight = shown.view.cells().rowHeight();
    QVERIFY(!watch.painted.isEmpty());
    QVERIFY2(watch.painted.boundingRect().height() <= 3 * rowHeight + 2,
             qPrintable(QString::number(watch.painted.boundingRect().height())));
    QCOMPARE(shown.log.selectedIndex(), 50);
    QCOMPARE(shown.view.firstVisibleRow(), 51 - shown.view.fullRows());
    QCOMPARE(shown.view.verticalScrollBar()->maximum(), shown.view.firstVisibleRow());
    QVERIFY(shown.view.viewport()->rect().contains(shown.view.rowRect(50)));
    // The selection moving within the view paints its old and its new line,
    // and nothing else.
    watch.painted = QRegion();
    shown.log.setSelectedIndex(47);
    QVERIFY(shown.settle());
    QCOMPARE(watch.painted, QRegion(shown.view.rowRect(47)) + shown.view.rowRect(50));
    // A step of the scroll bar (its arrow, the wheel) is a line.
    const int top = shown.view.firstVisibleRow();
    shown.view.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(shown.view.firstVisibleRow(), top - 1);
}

// Lines appended between two frames are all drawn, not only the last, which
// is the selected one.
void tst_LogView::linesOfOneFrameAllShow()
{
    Shown shown({QStringLiteral("first")});
    QVERIFY(shown.settle());
    for (int i = 0; i < 3; ++i)
        shown.append(QStringLiteral("new %1").arg(i));
    QVERIFY(shown.settle());
    for (int row = 1; row <= 3; ++row)
        QCOMPARE(shownRow(shown.view, row), drawnRow(shown.view, row));
    QCOMPARE(look(shownRow(shown.view, 2)), QStringLiteral("plain"));
}

void tst_LogView::framesAreGathered()
{
    Shown shown;
    QVERIFY(shown.settle());
    const quint64 before = shown.view.framesDone();
    QElapsedTimer clock;
    clock.start();
    QTimer feeder;
    int appended = 0;
    QObject::connect(&feeder, &QTimer::timeout, [&] {
        shown.append(QStringLiteral("line %1").arg(++appended));
    });
    feeder.start(1);
    QTRY_VERIFY(appended >= 300);
    feeder.stop();
    QVERIFY(shown.settle());
    const quint64 frames = shown.view.framesDone() - before;
    const qint64 bound = clock.elapsed() / LogView::kFrameIntervalMs + 2;
    QVERIFY2(frames >= 2 && qint64(frames) <= bound,
             qPrintable(QStringLiteral("%1 frames, at most %2").arg(frames).arg(bound)));
    QVERIFY(shown.view.viewport()->rect().contains(shown.view.rowRect(appended - 1)));
}

void tst_LogView::keysMoveTheSelection_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("to"); // -1: a page below from, -2: a page above
    QTest::newRow("up") << 10 << int(Qt::Key_Up) << 9;
    QTest::newRow("down at the end stays") << 29 << int(Qt::Key_Down) << 29;
    QTest::newRow("home") << 10 << int(Qt::Key_Home) << 0;
    QTest::newRow("end") << 3 << int(Qt::Key_End) << 29;
    QTest::newRow("page up stops at the first") << 2 << int(Qt::Key_PageUp) << 0;
    // A page: the rows that fit whole, less one kept in view.
    QTest::newRow("page down") << 3 << int(Qt::Key_PageDown) << -1;
    QTest::newRow("page up") << 25 << int(Qt::Key_PageUp) << -2;
}

void tst_LogView::keysMoveTheSelection()
{
    QFETCH(int, from);
    QFETCH(int, key);
    QFETCH(int, to);
    QStringList lines;
    for (int i = 0; i < 30; ++i)
        lines << QStringLiteral("line %1").arg(i);
    Shown shown(lines);
    shown.log.setSelectedIndex(from);
    QVERIFY(shown.settle());
    const int page = shown.view.fullRows() - 1;
    QVERIFY(page > 2);
    if (to < 0)
        to = to == -1 ? from + page : from - page;
    QTest::keyClick(&shown.view, Qt::Key(key));
    QCOMPARE(shown.log.selectedIndex(), to);
    QVERIFY(shown.settle());
    QVERIFY(shown.view.viewport()->rect().contains(shown.view.rowRect(to)));
    QCOMPARE(look(shownRow(shown.view, to)), QStringLiteral("selected"));
    if (from != to && shown.view.viewport()->rect().contains(shown.view.rowRect(from)))
        QCOMPARE(look(shownRow(shown.view, from)), QStringLiteral("plain"));
    // The focus frame (shown since the keyboard moved the focus) goes with the focus.
    QVERIFY(shown.view.hasFocus());
    shown.view.setAttribute(Qt::WA_KeyboardFocusChange);
    shown.view.viewport()->update();
    QVERIFY(shown.settle());
    const QImage focused = shownRow(shown.view, to);
    shown.view.clearFocus();
    QVERIFY(shown.settle());
    QCOMPARE(shownRow(shown.view, to), drawnRow(shown.view, to));
    QVERIFY(shownRow(shown.view, to) != focused);
    // And comes back with it.
    shown.view.setFocus(Qt::TabFocusReason);
    QVERIFY(shown.settle());
    QVERIFY(shown.view.hasFocus());
    QCOMPARE(shownRow(shown.view, to), focused);
}

// Ctrl+C gives the raw line; "copy all" gives the saved form, in which raw
// line ends cannot split a line.
void tst_LogView::copyingKeepsOrSpellsCharacters()
{
    const QString raw = QStringLiteral("A\r\nB") + codeText(1) + codeText(0xE4);
    Shown shown({raw, QStringLiteral("second")});
    shown.log.setSelectedIndex(0);
    QTest::keyClick(&shown.view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), shown.log.line(0));
    QVERIFY(shown.log.line(0).endsWith(raw));
    shown.view.copyAll();
    const QStringList copied = QGuiApplication::clipboard()->text().split(u'\n');
    QCOMPARE(copied.size(), 3); // two lines, each ended by LF
    QVERIFY(copied[0].endsWith(QStringLiteral("A<CR><LF>B<1>\u00E4")));
    QCOMPARE(QGuiApplication::clipboard()->text().toUtf8(), LogFile::text(shown.log));
    // The hex view copies the hex text shown; "copy all" stays the saved form.
    shown.view.setForm(TrafficLog::Form::Hex);
    QTest::keyClick(&shown.view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             shown.log.line(0).left(21) + QStringLiteral("41 0D 0A 42 01 E4"));
    QCOMPARE(shown.view.shownLine(0), QGuiApplication::clipboard()->text());
    shown.view.copyAll();
    QCOMPARE(QGuiApplication::clipboard()->text().toUtf8(), LogFile::text(shown.log));
}

void tst_LogView::accessibleLines()
{
    Shown shown({QStringLiteral("A") + codeText(1) + codeText(0x7F) + QStringLiteral("\r"),
                 QStringLiteral("plain")});
    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(&shown.view);
    QVERIFY(list);
    QCOMPARE(list->role(), QAccessible::List);
    QCOMPARE(list->childCount(), 2);
    QAccessibleInterface *first = list->child(0);
    QVERIFY(first);
    QCOMPARE(first->role(), QAccessible::ListItem);
    QVERIFY(first->text(QAccessible::Name).endsWith(QStringLiteral("A<1><127><CR>")));
    QCOMPARE(list->indexOfChild(list->child(1)), 1);
    QVERIFY(list->child(1)->state().selected);
    shown.view.setForm(TrafficLog::Form::Hex);
    QCOMPARE(list->child(0)->text(QAccessible::Name),
             shown.log.line(0).left(21) + QStringLiteral("41 01 7F 0D"));
    QCOMPARE(list->child(1)->text(QAccessible::Name),
             shown.log.line(1).left(21) + QStringLiteral("70 6C 61 69 6E"));
    QCOMPARE(shown.view.accessibleLine(-1), QString()); // no line, no text
    QCOMPARE(shown.view.accessibleLine(2), QString());
    QCOMPARE(shown.view.shownLine(-1), QString());
    QCOMPARE(shown.view.shownLine(2), QString());
    shown.view.setForm(TrafficLog::Form::Text);
    QVERIFY(list->child(1)->text(QAccessible::Name).endsWith(QStringLiteral("plain")));
    QCOMPARE(shown.view.accessibleLine(-1), QString());
    first = list->child(0);
    // Where each line is on the screen; those scrolled out of view are off-screen.
    shown.view.move(300, 200);
    for (int i = 0; i < 40; ++i)
        shown.append(QStringLiteral("more"));
    QVERIFY(shown.settle());
    const QRect viewport(shown.view.viewport()->mapToGlobal(QPoint(0, 0)),
                         shown.view.viewport()->size());
    QAccessibleInterface *last = list->child(41);
    QVERIFY(viewport.contains(last->rect()));
    QCOMPARE(list->childAt(last->rect().center().x(), last->rect().center().y()), last);
    QVERIFY(!last->state().offscreen);
    QVERIFY(last->state().selectable && last->state().focusable);
    QVERIFY(first->state().offscreen);
    QVERIFY(!viewport.intersects(first->rect()));
    shown.log.clear();
    QCOMPARE(list->childCount(), 0);
    QVERIFY(!first->isValid());
}

using Match = std::optional<LogSearch::Match>;
Q_DECLARE_METATYPE(Match)

void tst_LogView::findsLinesAsShown_data()
{
    using Form = TrafficLog::TextForm;
    QTest::addColumn<QByteArray>("content"); // of line 1; lines 0 and 2 hold "plain"
    QTest::addColumn<int>("textForm");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("backwards");
    QTest::addColumn<Match>("found"); // the column counts the time and marker
    const auto at = [](int row, int column, int length) {
        return Match(LogSearch::Match{row, column, length});
    };
    const int raw = int(Form::Raw), tokens = int(Form::Tokens), typed = int(Form::Typed);
    QTest::newRow("case ignored") << QByteArray("Hello World") << raw << false << "WORLD" << 0
                                  << false << at(1, 27, 5);
    QTest::newRow("umlaut folded in the character set")
        << QByteArray("GR\xDCN") << raw << false << "grün" << 0 << false << at(1, 21, 4);
    QTest::newRow("Y with diaeresis folded")
        << QByteArray("a\x9F") << raw << false << "\u00FF" << 0 << false << at(1, 22, 1);
    QTest::newRow("a character without a byte")
        << QByteArray("x") << raw << false << "\u4E00" << 0 << false << Match();
    QTest::newRow("a token as shown") << QByteArray("\x02"
                                                    "AB\x03")
                                      << tokens << false << "stx>ab" << 0 << false << at(1, 22, 6);
    QTest::newRow("after tokens") << QByteArray("\x01\x02"
                                                "ab")
                                  << tokens << false << "AB" << 0 << false
                                  << at(1, 27, 2); // \x01<STX>ab
    QTest::newRow("across a token's end") << QByteArray("\x02"
                                                        "AB")
                                          << tokens << false << "x>a" << 0 << false << at(1, 24, 3);
    QTest::newRow("a raw control character")
        << QByteArray("a\x02") << raw << false << "\u0002" << 0 << false << at(1, 22, 1);
    QTest::newRow("a control character shown as a token")
        << QByteArray("a\x02") << tokens << false << "\u0002" << 0 << false << Match();
    QTest::newRow("a letter of many tokens")
        << QByteArray("t\x03") << tokens << false << "tx>" << 0 << false << at(1, 24, 3);
    QTest::newRow("a raw control character is no token")
        << QByteArray("\x02") << raw << false << "<STX>" << 0 << false << Match();
    QTest::newRow("at the end of the line")
        << QByteArray("xyz") << raw << false << "yz" << 0 << false << at(1, 22, 2);
    QTest::newRow("longer than the rest of the line")
        << QByteArray("xyz") << raw << false << "yz!" << 0 << false << Match();
    QTest::newRow("a token longer than the rest")
        << QByteArray("a\x02") << tokens << false << "<STX>b" << 0 << false << Match();
    QTest::newRow("typed text") << QByteArray("\x02") << typed << false << "<2>" << 0 << false
                                << at(1, 21, 3);
    QTest::newRow("the marker") << QByteArray("x") << raw << false << "[in]" << 1 << false
                                << at(1, 14, 4);
    QTest::newRow("from the line on, downwards")
        << QByteArray("x") << raw << false << "plain" << 1 << false << at(2, 21, 5);
    QTest::newRow("upwards") << QByteArray("x") << raw << false << "plain" << 1 << true
                             << at(0, 21, 5);
    QTest::newRow("around the end")
        << QByteArray("a plain") << raw << false << "plain" << 3 << false << at(0, 21, 5);
    QTest::newRow("around the start, upwards")
        << QByteArray("x") << raw << false << "plain" << -1 << true << at(2, 21, 5);
    QTest::newRow("far before the start, upwards")
        << QByteArray("x") << raw << false << "plain" << -4 << true << at(2, 21, 5);
    QTest::newRow("the line itself last")
        << QByteArray("only") << raw << false << "only" << 2 << false << at(1, 21, 4);
    QTest::newRow("hex pairs") << QByteArray("\x01\xD2\x16") << raw << true << "d2 16" << 0 << false
                               << at(1, 24, 5);
    QTest::newRow("hex pairs written together")
        << QByteArray("\x01\xD2\x16") << tokens << true << "D216" << 0 << false << at(1, 24, 5);
    QTest::newRow("hex matches whole bytes")
        << QByteArray("\x1D\x21") << raw << true << "D2" << 0 << false << Match();
    QTest::newRow("hex needs pairs")
        << QByteArray("\x01\x02") << raw << true << "1 02" << 0 << false << Match();
    QTest::newRow("hex needs hex digits")
        << QByteArray("\x01") << raw << true << "0x" << 0 << false << Match();
    QTest::newRow("hex without a sign")
        << QByteArray("\x01") << raw << true << "+1" << 0 << false << Match();
    QTest::newRow("empty") << QByteArray("x") << raw << false << "" << 0 << false << Match();
}

// A search looks at the line as the view shows it.
void tst_LogView::findsLinesAsShown()
{
    QFETCH(QByteArray, content);
    QFETCH(int, textForm);
    QFETCH(bool, hex);
    QFETCH(QString, text);
    QFETCH(int, from);
    QFETCH(bool, backwards);
    QFETCH(Match, found);
    TrafficLog log;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    log.AppendTrafficLine(TrafficLog::Direction::Sent, QStringLiteral("plain"), now);
    log.AppendTrafficLine(TrafficLog::Direction::Received, Codec::toText(content), now,
                          TrafficLog::TextForm(textForm), QStringLiteral("<2>"));
    log.AppendTrafficLine(TrafficLog::Direction::Sent, QStringLiteral("plain"), now);
    const TrafficLog::Form form = hex ? TrafficLog::Form::Hex : TrafficLog::Form::Text;
    const LogSearch search(text, form);
    const Match match = search.find(log, from, backwards);
    QCOMPARE(match, found);
    if (found) // the shown line holds the text there
        QCOMPARE(log.line(found->row, form).mid(found->column, found->length).toLower(),
                 hex ? text.toLower().simplified().replace(QStringLiteral("d216"),
                                                           QStringLiteral("d2 16"))
                     : text.toLower());
    QCOMPARE(search.find(TrafficLog(), 0, false), Match()); // an empty log has nothing
}

// The match stands out in black on yellow inside the selected line, and is
// brought into view sideways.
void tst_LogView::matchIsHighlighted()
{
    Shown shown({QString(300, u'x') + QStringLiteral("needle") + QString(300, u'x')});
    QVERIFY(shown.settle());
    const LogSearch search(QStringLiteral("NEEDLE"), TrafficLog::Form::Text);
    const Match match = search.find(shown.log, 0, false);
    QVERIFY(match);
    shown.view.setMatch(match);
    QVERIFY(shown.settle());
    QVERIFY(shown.view.horizontalScrollBar()->value() > 0);
    const QImage row = shownRow(shown.view, 0);
    QCOMPARE(row, drawnRow(shown.view, 0));
    int yellow = 0; // columns of pixels with yellow in them
    for (int x = 0; x < row.width(); ++x) {
        bool any = false;
        for (int y = 0; y < row.height(); ++y)
            any = any || row.pixelColor(x, y) == QColor(255, 230, 0);
        yellow += any;
    }
    const int cell = shown.view.cells().cellWidth();
    QCOMPARE(yellow, 6 * cell);
    // A match at the start of the line is shown from the first column again.
    shown.view.setMatch(LogSearch::Match{0, 0, 2});
    QVERIFY(shown.settle());
    QCOMPARE(shown.view.horizontalScrollBar()->value(), 0);
    shown.view.setForm(TrafficLog::Form::Hex); // another view: the match is gone
    QVERIFY(!shown.view.match());
    shown.view.setMatch(match);
    shown.log.clear();
    QVERIFY(!shown.view.match());
}

void tst_LogView::rangesSelectedAndCopied_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("how"); // keys, or "click N" with Shift
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::newRow("Shift+Down twice") << 3 << "down down" << 3 << 5;
    QTest::newRow("Shift+Up") << 3 << "up" << 2 << 3;
    QTest::newRow("Shift+Home") << 3 << "home" << 0 << 3;
    QTest::newRow("Shift+End") << 3 << "end" << 3 << 29;
    QTest::newRow("Shift+PageDown") << 0 << "pagedown" << 0 << -1; // -1: a page
    QTest::newRow("Shift+click below") << 1 << "click 4" << 1 << 4;
    QTest::newRow("Shift+click above") << 4 << "click 1" << 1 << 4;
    QTest::newRow("back to one line") << 3 << "down up" << 3 << 3;
}

// Shift with a key or a click selects a range; it holds the view; Ctrl+C
// copies it in the saved form (in the hex view as shown); a plain click
// selects one line again.
void tst_LogView::rangesSelectedAndCopied()
{
    QFETCH(int, from);
    QFETCH(QString, how);
    QFETCH(int, first);
    QFETCH(int, last);
    QStringList lines;
    for (int i = 0; i < 30; ++i)
        lines << QStringLiteral("line %1\r").arg(i);
    Shown shown(lines);
    shown.log.setSelectedIndex(from);
    QVERIFY(shown.settle());
    if (last < 0)
        last = from + shown.view.fullRows() - 1;
    const QHash<QString, Qt::Key> keys = {{"up", Qt::Key_Up},
                                          {"down", Qt::Key_Down},
                                          {"home", Qt::Key_Home},
                                          {"end", Qt::Key_End},
                                          {"pagedown", Qt::Key_PageDown}};
    const QStringList words = how.split(u' ');
    if (words.first() == QStringLiteral("click")) {
        QTest::mouseClick(shown.view.viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          shown.view.rowRect(words.last().toInt()).center());
    } else {
        for (const QString &word : words)
            QTest::keyClick(&shown.view, keys.value(word), Qt::ShiftModifier);
    }
    QCOMPARE(shown.log.selectionFirst(), first);
    QCOMPARE(shown.log.selectionLast(), last);
    QVERIFY(!shown.log.followNewLines()); // every row went through a range
    QVERIFY(shown.settle());
    for (int row = shown.view.firstVisibleRow();
         row < shown.view.firstVisibleRow() + shown.view.fullRows(); ++row)
        QCOMPARE(look(shownRow(shown.view, row)),
                 QLatin1String(row >= first && row <= last ? "selected" : "plain"));
    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(&shown.view);
    QCOMPARE(list->child(last)->state().selected, true);
    QCOMPARE(list->child(first)->state().selected, true);
    if (last + 1 < shown.log.count())
        QCOMPARE(list->child(last + 1)->state().selected, false);
    QCOMPARE(list->child(first - 1 < 0 ? last + 1 : first - 1)->state().selected, false);

    QTest::keyClick(&shown.view, Qt::Key_C, Qt::ControlModifier);
    QByteArray saved;
    for (int row = first; row <= last; ++row)
        LogFile::appendLine(saved, shown.log.lineBytes(row));
    const QString copied = QGuiApplication::clipboard()->text();
    QCOMPARE(copied, first == last ? shown.log.line(first) : QString::fromUtf8(saved));
    shown.view.setForm(TrafficLog::Form::Hex);
    shown.view.copySelection();
    QString hex;
    for (int row = first; row <= last; ++row)
        hex += shown.view.shownLine(row) + (first == last ? "" : "\n");
    QCOMPARE(QGuiApplication::clipboard()->text(), hex);

    // A plain click on the first line of the range, where it is in view.
    const int clicked = shown.view.viewport()->rect().contains(shown.view.rowRect(first)) ? first
                                                                                          : last;
    QTest::mouseClick(shown.view.viewport(), Qt::LeftButton, {},
                      shown.view.rowRect(clicked).center());
    QCOMPARE(shown.log.selectedCount(), 1);
    QCOMPARE(shown.log.selectedIndex(), clicked);
}

// Held, new lines come in behind the selection, the view stays and they are
// counted; End follows them again.
void tst_LogView::heldViewStaysWhereItIs()
{
    QStringList lines;
    for (int i = 0; i < 40; ++i)
        lines << QStringLiteral("line %1").arg(i);
    Shown shown(lines);
    shown.log.setSelectedIndex(5);
    QVERIFY(shown.settle());
    const int top = shown.view.firstVisibleRow();
    shown.log.setFollowNewLines(false);
    for (int i = 0; i < 3; ++i)
        shown.append(QStringLiteral("more"));
    QVERIFY(shown.settle());
    QCOMPARE(shown.log.selectedIndex(), 5);
    QCOMPARE(shown.view.firstVisibleRow(), top);
    QCOMPARE(shown.log.heldLines(), 3);
    QCOMPARE(shown.view.verticalScrollBar()->maximum(), 43 - shown.view.fullRows());
    QTest::keyClick(&shown.view, Qt::Key_End);
    QVERIFY(shown.log.followNewLines());
    QCOMPARE(shown.log.heldLines(), 0);
    shown.append(QStringLiteral("last"));
    QCOMPARE(shown.log.selectedIndex(), 43);
    QVERIFY(shown.settle());
    QVERIFY(shown.view.viewport()->rect().contains(shown.view.rowRect(43)));
}

QTEST_MAIN(tst_LogView)
#include "tst_logview.moc"
