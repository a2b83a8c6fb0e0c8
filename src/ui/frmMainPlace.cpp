// The main window's size and place across runs: restored at the start on a
// screen where it fits, kept at the end only once the user moved or resized
// the window.

#include "ui/frmMain.h"

#include "app/modGlobal.h"
#include "ui/PlotPanel.h"
#include "ui/Twips.h"
#include "ui/WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>

void frmMain::restorePlace()
{
    if (!m_settings.Window)
        return;
    const WindowPlace &stored = *m_settings.Window;
    const auto pixels = [this](qint32 twips) { return Twips::toPixels(twips, m_dpi); };
    m_plotHeight = pixels(stored.PlotHeight);
    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    const WindowPlacement::Placement placed = WindowPlacement::restore(
        QRect(pixels(stored.Left), pixels(stored.Top), pixels(stored.Width), pixels(stored.Height)),
        minimumSizeHint(), screens);
    if (placed.position)
        setGeometry(QRect(*placed.position, placed.size));
    else
        resize(placed.size);
    if (stored.Maximized == 1)
        setWindowState(windowState() | Qt::WindowMaximized);
}

WindowPlace frmMain::currentPlace() const
{
    const QRect normal = normalGeometry();
    const auto twips = [this](int pixels) {
        return qint32(qRound(Twips::fromPixels(pixels, m_dpi)));
    };
    WindowPlace place{twips(normal.left()), twips(normal.top()), twips(normal.width()),
                      twips(normal.height()), quint8(isMaximized() ? 1 : 0)};
    place.PlotHeight = twips(fraPlot->isVisible() ? fraPlot->height() : m_plotHeight);
    return place;
}

// Where the window stands once it is first active, the window system having
// placed it, is the place to compare with at the end.
void frmMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_placeShown)
        m_placeShown = currentPlace();
}

void frmMain::rememberPlace()
{
    if (!m_placeShown)
        return; // never shown
    const WindowPlace now = currentPlace();
    // The plot's height goes with the place; showing the plot is no move.
    WindowPlace shown = *m_placeShown;
    shown.PlotHeight = now.PlotHeight;
    if (now == shown && !m_plotMoved)
        return;
    m_settings.Window = now;
    m_settings.WindowKeys = true;
}
