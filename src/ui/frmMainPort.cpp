// Opening and closing the port on demand: the File menu's Open port / Close
// port, the opening that waits for the window to show, and the status bar's
// field that tells what port is awaited.

#include "ui/frmMain.h"

#include "app/modGlobal.h"
#include "engine/TerminalEngine.h"
#include "text/StringTable.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QShowEvent>
#include <QTimer>

#include <utility>

void frmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    placePlot();
    if (!std::exchange(m_openWhenShown, false))
        return;
    // Queued, so the window is drawn before the opening waits for its server
    // (the wait runs the window's events).
    QTimer::singleShot(0, this, [this] {
        if (!m_unloaded)
            m_engine->connection().fkt_MainOpenPort();
    });
}

void frmMain::mnuFilePort_Click()
{
    PortConnection &connection = m_engine->connection();
    if (connection.portInUse())
        connection.closePort();
    else
        connection.fkt_MainOpenPort();
}

void frmMain::setWaitingText(const QString &text)
{
    stbWaiting->setText(text);
    stbWaiting->setAccessibleName(text);
    stbWaiting->setVisible(!text.isEmpty());
}

void frmMain::setPortInUse(bool inUse)
{
    m_portInUse = inUse;
    showPortState();
}

void frmMain::showPortState()
{
    mnuFilePort->setText(fkt_ToolsGetResString(m_portInUse ? 1919 : 1918, m_settings.Language));
}

// This window wrote or read the default command file itself: what it holds
// now is no other window's change.
void frmMain::restampCommandFile(const QString &path)
{
    const QString ownFile = DefaultCommandFilePath(m_settings.DataFolder);
    if (!path.isEmpty() &&
        QFileInfo(path).absoluteFilePath() == QFileInfo(ownFile).absoluteFilePath())
        m_stamps.commandFile = FileStamp::of(ownFile);
}
