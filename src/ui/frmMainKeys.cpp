// Keys and control events of the main window. A main window has no default
// or cancel button, so Enter and Esc are built here: Enter presses the
// focused button, or else the send button; Esc presses Quit from anywhere.
// F1 to F8 press the slot buttons on key press, but in the slot boxes on key
// release; a few controls do not dispatch them at all. Alt with a letter
// opens a menu or does nothing. In the find bar Esc
// closes the bar, and Enter (Shift+Enter) in its field finds the next
// (previous) line.

#include "ui/frmMain.h"

#include "engine/LogRecorder.h"
#include "engine/TerminalEngine.h"
#include "ui/LogView.h"
#include "ui/PlotPanel.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>

namespace {

// The key codes the engine knows: F1 is 112.
qint16 functionKeyCode(int qtKey)
{
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return qint16(112 + (qtKey - Qt::Key_F1));
    return 0;
}

bool isFunctionKey(int qtKey)
{
    return qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24;
}

bool isEnter(int qtKey)
{
    return qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter;
}

// Alt with a letter that opens no menu would type the letter. AltGr's
// characters come without Alt, or as Ctrl+Alt where AltGr is sent so.
bool isUnusedMnemonic(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    return (modifiers & Qt::AltModifier) && !(modifiers & Qt::ControlModifier) &&
           !event->text().isEmpty() && event->text().at(0).isPrint();
}

} // namespace

void frmMain::connectControls()
{
    connect(cmdSend, &QPushButton::clicked, this, [this] {
        m_history.add(txtSend->text()); // as typed, before the send may empty the box
        m_engine->transmitter().cmdSend_Click();
    });
    connect(cmdDelete, &QPushButton::clicked, this, [this] {
        m_engine->cmdDelete_Click();
        fraPlot->clear();
    });
    connect(cmdQuit, &QPushButton::clicked, this, &QWidget::close);
    connect(cmdBlockcheck, &QPushButton::clicked, this, &frmMain::cmdBlockcheck_Click);
    connect(cmdInsertSpecialChar, &QPushButton::clicked, this, &frmMain::cmdInsertSpecialChar_Click);
    for (int i = 0; i < 8; ++i) {
        connect(cmdBefehl[i], &QPushButton::clicked, this,
                [this, i] { m_engine->repeater().cmdBefehl_Click(i + 1); });
    }
    connect(txtSend, &QLineEdit::textChanged, this, &frmMain::UpdateSendButton);
    connect(lstSendReceive, &LogView::doubleClickedAnywhere, this, &frmMain::lstSendReceive_DblClick);
    connect(statusBar(), &QStatusBar::messageChanged, this, &frmMain::statusMessageChanged);
    connect(&m_engine->log(), &TrafficLog::deleteEnabledChanged, cmdDelete, &QWidget::setEnabled);
    connect(&m_engine->log(), &TrafficLog::selectedIndexChanged, this, &frmMain::selectionMoved);
    connect(mnuFilePort, &QAction::triggered, this, &frmMain::mnuFilePort_Click);
    connect(mnuFileLoadConfig, &QAction::triggered, this, &frmMain::mnuFileLoadConfig_Click);
    connect(mnuFileSaveConfig, &QAction::triggered, this, &frmMain::mnuFileSaveConfig_Click);
    connect(mnuFileSaveLog, &QAction::triggered, this, &frmMain::mnuFileSaveLog_Click);
    connect(mnuFileRecordLog, &QAction::triggered, this, &frmMain::mnuFileRecordLog_Click);
    connectFindBar();
    connectPlot();
    connect(m_recorder.get(), &LogRecorder::failed, this, &frmMain::recordingFailed);
    connect(mnuLogCopyLine, &QAction::triggered, this, [this] {
        if (m_engine->log().selectedCount() > 1)
            lstSendReceive->copySelection();
        else
            lstSendReceive->copyLine(m_logMenuRow);
    });
    connect(mnuLogCopyAll, &QAction::triggered, lstSendReceive, &LogView::copyAll);
    connect(lstSendReceive, &QWidget::customContextMenuRequested, this, &frmMain::showLogMenu);
    // The repetition timer runs only while one of the boxes is ticked.
    for (QCheckBox *box : {chkRepeat, chkRepeatCommandConfig})
        connect(box, &QCheckBox::toggled, this, [this] { m_engine->repetitionSwitched(); });
    connect(mnuFileQuit, &QAction::triggered, this, &QWidget::close);
    connect(mnuEditSettings, &QAction::triggered, this, &frmMain::mnuEditSettings_Click);
    connect(mnuQuestionProgramInfo, &QAction::triggered, this,
            &frmMain::mnuQuestionProgramInfo_Click);
}

void frmMain::applyTabOrder()
{
    QList<QWidget *> order{txtSend, cmdInsertSpecialChar, cmdSend};
    for (QLineEdit *box : txtBefehl)
        order.append(box);
    for (QPushButton *button : cmdBefehl)
        order.append(button);
    order << cmdDelete << cmdQuit << lstSendReceive << fraPlot->tabOrder() << txtFind << cmdFindNext
          << cmdFindPrevious << cmdFindClose << chkRepeat << cmdBlockcheck << txtWaitTime
          << chkRepeatCommandConfig << cmdFileCancel;
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

int frmMain::slotOf(const QObject *watched) const
{
    for (int i = 0; i < 8; ++i)
        if (watched == txtBefehl[i])
            return i + 1;
    return 0;
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress)
        return handleKeyPress(watched, static_cast<QKeyEvent *>(event));
    if (event->type() == QEvent::KeyRelease)
        return handleKeyRelease(watched, static_cast<QKeyEvent *>(event));
    if (event->type() == QEvent::FocusIn && watched->isWidgetType())
        focusEntered(static_cast<QWidget *>(watched), static_cast<QFocusEvent *>(event)->reason());
    // A new text in the find bar's result line may need a line of its own.
    if (event->type() == QEvent::LayoutRequest && watched == fraFind)
        ArrangeControls();
    return QMainWindow::eventFilter(watched, event);
}

bool frmMain::handleKeyPress(QObject *watched, QKeyEvent *event)
{
    const int key = event->key();
    if (key == Qt::Key_Escape) {
        if (inFindBar(watched))
            closeFindBar();
        else
            cmdQuit->click();
        return true;
    }
    if (key == Qt::Key_ScrollLock) {
        mnuViewFollow->trigger();
        return true;
    }
    if (isUnusedMnemonic(event))
        return true;
    if (isEnter(key) && watched == txtFind) {
        findInLog(event->modifiers() & Qt::ShiftModifier);
        return true;
    }
    if (isEnter(key)) {
        if (auto *button = qobject_cast<QPushButton *>(watched))
            button->click();
        else
            pressSendButton();
        return true;
    }
    if (watched == txtSend && (key == Qt::Key_Up || key == Qt::Key_Down) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier)
        return walkHistory(key);
    if (!isFunctionKey(key))
        return false;
    // The key is consumed everywhere, so it never reaches the window as a
    // second dispatch.
    const bool dispatchesOnPress = watched == txtSend || watched == lstSendReceive ||
                                   watched == cmdSend || watched == cmdDelete ||
                                   watched == cmdInsertSpecialChar || watched == cmdQuit ||
                                   inFindBar(watched) || inPlot(watched) ||
                                   std::find(cmdBefehl.begin(), cmdBefehl.end(), watched) !=
                                       cmdBefehl.end();
    if (dispatchesOnPress)
        m_engine->repeater().DispatchFunctionKey(functionKeyCode(key));
    return true;
}

// Up shows the next older text sent from the box, Down the next newer one
// and at last what was being typed.
bool frmMain::walkHistory(int key)
{
    const std::optional<QString> text = key == Qt::Key_Up ? m_history.older(txtSend->text())
                                                          : m_history.newer();
    if (text)
        txtSend->setText(*text);
    return true;
}

bool frmMain::handleKeyRelease(QObject *watched, QKeyEvent *event)
{
    const int slot = slotOf(watched);
    // A held key repeats as press and release pairs; the slot boxes act on
    // the release of the key, once.
    if (slot != 0 && !event->isAutoRepeat()) {
        m_engine->repeater().DispatchFunctionKey(functionKeyCode(event->key()));
        txtBefehl[slot - 1]->setToolTip(txtBefehl[slot - 1]->text());
    } else if (watched == txtSend) {
        UpdateSendButton();
    }
    return false;
}

void frmMain::keyPressEvent(QKeyEvent *event)
{
    // Reached only when no control took the key, e.g. with the focus on the
    // window itself.
    if (event->key() == Qt::Key_Escape) {
        cmdQuit->click();
        return;
    }
    if (event->key() == Qt::Key_ScrollLock) {
        mnuViewFollow->trigger();
        return;
    }
    if (isEnter(event->key())) {
        pressSendButton();
        return;
    }
    m_engine->repeater().DispatchFunctionKey(functionKeyCode(event->key()));
    QMainWindow::keyPressEvent(event);
}
