// The traffic log in the main window on a real X display, as users see it:
// run under a private Xvfb (xvfb-run), because the offscreen platform lays
// out, shows and focuses widgets in ways a real window does not.

#include "ui/LogView.h"

#include "WindowRig.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>

class tst_LogViewWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void scrollBarsFollowTheContent_data();
    void scrollBarsFollowTheContent();
    void focusShowsOnTheFrame_data();
    void focusShowsOnTheFrame();
};

namespace {

// The main window with its port on a pseudo-terminal, shown and active
// before any line arrives, as at the program's start.
struct LogWindow : Program {
    LogView *view = child<LogView>(QStringLiteral("lstSendReceive"));

    LogWindow() { window->activateWindow(); }
    void append(int count, int length)
    {
        for (int i = 0; i < count; ++i)
            log().AppendTrafficLine(TrafficLog::Direction::Received,
                                    QString(length, QLatin1Char('a' + i % 26)),
                                    QDateTime::currentDateTimeUtc());
    }
    QString bars() const
    {
        return QStringLiteral("%1 %2").arg(view->verticalScrollBar()->isVisible() ? "v" : "-",
                                           view->horizontalScrollBar()->isVisible() ? "h" : "-");
    }
    // Lets the view draw what came and its bars catch up: enough to see a
    // bar that should not be there.
    bool settle()
    {
        const bool drawn = QTest::qWaitFor([&] { return !view->framePending(); }, 5000);
        QTest::qWait(3 * LogView::kScrollBarIntervalMs);
        return drawn;
    }
    // What the widget draws at a point, and what the X server shows there.
    static QRgb drawn(QWidget *w, QPoint at) { return w->grab().toImage().pixel(at); }
    static QRgb onScreen(QWidget *w, QPoint at)
    {
        const QPoint global = w->mapToGlobal(at);
        const QImage shot =
            QGuiApplication::primaryScreen()->grabWindow(0, global.x(), global.y(), 1, 1).toImage();
        return shot.pixel(0, 0);
    }
};

} // namespace

void tst_LogViewWindow::initTestCase()
{
    // The point of this test: never let it pass on the offscreen platform.
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
}

void tst_LogViewWindow::scrollBarsFollowTheContent_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("bars"); // "v h": both, "-" for one that is hidden
    QTest::newRow("a few short lines") << 5 << 20 << "- -";
    // Fixed: these showed no scroll bar until the window was resized.
    QTest::newRow("40 lines") << 40 << 20 << "v -";
    QTest::newRow("a line of 400 characters") << 1 << 400 << "- h";
    QTest::newRow("40 lines of 400 characters") << 40 << 400 << "v h";
}

// The bars appear as soon as the content exceeds the view, leave room for
// themselves, and go again with the content.
void tst_LogViewWindow::scrollBarsFollowTheContent()
{
    QFETCH(int, lines);
    QFETCH(int, length);
    QFETCH(QString, bars);
    LogWindow w;
    QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
    QVERIFY(w.view);
    QCOMPARE(w.bars(), QStringLiteral("- -"));
    w.append(lines, length);
    if (bars == QLatin1String("- -"))
        QVERIFY(w.settle());
    QTRY_COMPARE(w.bars(), bars);
    QScrollBar *vertical = w.view->verticalScrollBar();
    QScrollBar *horizontal = w.view->horizontalScrollBar();
    const QRect viewport = w.view->viewport()->geometry();
    if (vertical->isVisible()) {
        QVERIFY(!viewport.intersects(vertical->parentWidget()->geometry()));
        // The view follows the newest line, which shows whole.
        QTRY_VERIFY(w.view->viewport()->rect().contains(w.view->rowRect(lines - 1)));
        QTRY_COMPARE(vertical->maximum(), lines - w.view->fullRows());
    }
    if (horizontal->isVisible()) {
        QVERIFY(!viewport.intersects(horizontal->parentWidget()->geometry()));
        QTRY_COMPARE(horizontal->maximum(), w.log().longestLineLength() - w.view->fullColumns());
        QVERIFY(w.log().longestLineLength() > length); // the time and direction in front
    }
    w.log().clear();
    QTRY_COMPARE(w.bars(), QStringLiteral("- -"));
}

void tst_LogViewWindow::focusShowsOnTheFrame_data()
{
    QTest::addColumn<int>("lines");
    QTest::newRow("empty log") << 0;
    QTest::newRow("40 lines") << 40;
}

// Fixed: nothing showed that the log had the keyboard focus. Its frame now
// shows it as the send box's frame does.
void tst_LogViewWindow::focusShowsOnTheFrame()
{
    QFETCH(int, lines);
    LogWindow w;
    QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
    w.append(lines, 20);
    auto *send = w.edit(QStringLiteral("txtSend"));
    QVERIFY(send);
    send->setEnabled(true); // no port needed: only its frame counts
    send->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(send->hasFocus());
    const QPoint logTop(w.view->width() / 2, 0);
    const QPoint logLeft(0, w.view->height() / 2);
    const QPoint sendTop(send->width() / 2, 0);
    const QRgb sendFocused = LogWindow::drawn(send, sendTop);
    const QRgb logUnfocused = LogWindow::drawn(w.view, logTop);
    QTRY_COMPARE(LogWindow::onScreen(w.view, logTop), logUnfocused);
    w.view->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(w.view->hasFocus());
    QVERIFY(LogWindow::drawn(send, sendTop) != sendFocused);
    QTRY_COMPARE(LogWindow::onScreen(w.view, logTop), sendFocused);
    QTRY_COMPARE(LogWindow::onScreen(w.view, logLeft), sendFocused);
    send->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(LogWindow::onScreen(w.view, logTop), logUnfocused);
}

QTEST_MAIN(tst_LogViewWindow)
#include "tst_logview_window.moc"
