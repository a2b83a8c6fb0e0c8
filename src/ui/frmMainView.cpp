// The window as the engine sees it.

#include "ui/frmMain.h"

#include "ui/LogView.h"
#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStatusBar>

#include <algorithm>

QString frmMain::sendText() const
{
    return txtSend->text();
}

void frmMain::setSendText(const QString &text)
{
    txtSend->setText(text);
}

QString frmMain::slotText(int slot) const
{
    return txtBefehl.at(slot - 1)->text();
}

QString frmMain::waitTimeText() const
{
    return txtWaitTime->text();
}

bool frmMain::repeatChecked() const
{
    return chkRepeat->isChecked();
}

bool frmMain::repeatCommandConfigChecked() const
{
    return chkRepeatCommandConfig->isChecked();
}

void frmMain::pressSendButton()
{
    cmdSend->click(); // does nothing while the button is disabled
}

void frmMain::pressSlotButton(int slot)
{
    cmdBefehl.at(slot - 1)->click();
}

void frmMain::enablePortControls(bool enabled)
{
    m_portControlsOn = enabled;
    mnuFileSendFile->setEnabled(enabled && !m_fileSending);
    if (!enabled)
        rememberFocusOfPortControls();
    {
        const QScopedValueRollback switching(m_switchingPortControls, true);
        // Before the window shows, the send box is the one to get the focus
        // first: without it, the first control that takes it would be slot 1.
        if (!enabled && !focusWidget())
            lstSendReceive->setFocus(Qt::OtherFocusReason);
        txtSend->setEnabled(enabled);
        cmdInsertSpecialChar->setEnabled(enabled);
        for (QPushButton *button : cmdBefehl)
            button->setEnabled(enabled && !m_fileSending);
        UpdateSendButton(); // it follows slot 1's button
    }
    if (enabled)
        returnFocusToPortControls();
    updateChecksumItems();
    // White while usable; the button face colour makes it look greyed.
    QPalette palette = txtSend->palette();
    const QColor background = enabled ? QColor(Qt::white) : cmdDelete->palette().color(QPalette::Button);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, background);
    txtSend->setPalette(palette);
}

void frmMain::rememberFocusOfPortControls()
{
    if (m_focusToReturn)
        return; // still waiting to return it from an earlier switch
    // The window's focus control, also while a dialog is active; before the
    // window has been shown, the send box is the one to have it first.
    QWidget *focus = focusWidget();
    if (!focus)
        focus = txtSend;
    const bool isPortControl = focus == txtSend || focus == cmdInsertSpecialChar ||
                               focus == cmdSend ||
                               std::find(cmdBefehl.begin(), cmdBefehl.end(), focus) !=
                                   cmdBefehl.end();
    if (isPortControl)
        m_focusToReturn = focus;
}

void frmMain::returnFocusToPortControls()
{
    QWidget *target = m_focusToReturn;
    m_focusToReturn = nullptr;
    if (!target)
        return;
    // The send button stays off while the send box is empty.
    if (!target->isEnabled())
        target = m_activeTextBox ? m_activeTextBox : txtSend;
    target->setFocus(Qt::OtherFocusReason);
}

// Qt hands the focus of a control switched off to the next one in the Tab
// order, slot 1's box with its text selected, so the next key typed would
// replace a stored command. Whatever the program switches off, the focus goes
// to the log, where keys change nothing kept.
bool frmMain::focusNextPrevChild(bool next)
{
    const QWidget *focus = focusWidget();
    if (focus && !focus->isEnabled()) {
        lstSendReceive->setFocus(Qt::OtherFocusReason);
        return true;
    }
    return QMainWindow::focusNextPrevChild(next);
}

// Only where the user puts the focus counts: not where switching the port
// controls off moves it, nor where the window's activation shows it while it
// is still to be returned.
void frmMain::focusEntered(QWidget *control, Qt::FocusReason reason)
{
    if (m_switchingPortControls)
        return;
    const bool byUser = reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
                        reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
    if (byUser)
        m_focusToReturn = nullptr;
    else if (m_focusToReturn && reason == Qt::ActiveWindowFocusReason)
        return;
    if (control == txtSend || slotOf(control) != 0) {
        m_activeTextBox = static_cast<QLineEdit *>(control);
        updateChecksumItems();
    }
}

void frmMain::setStatusText(const QString &text)
{
    // News of the port weighs more than a message about the last text.
    if (text != stbStatus->text())
        statusBar()->clearMessage();
    stbStatus->setText(text);
    stbStatus->setToolTip(text);
    // The bar itself carries the text, so a screen reader finds it there and
    // is told of each change (a name-changed event).
    if (statusBar()->currentMessage().isEmpty())
        statusBar()->setAccessibleName(text);
}

// A message of the status bar covers the status text while it lasts; the
// bar's name follows (statusMessageChanged).
void frmMain::showStatusMessage(const QString &text)
{
    statusBar()->showMessage(text, kStatusMessageMs);
}

void frmMain::clearStatusMessage()
{
    statusBar()->clearMessage();
}

void frmMain::statusMessageChanged(const QString &message)
{
    statusBar()->setAccessibleName(message.isEmpty() ? stbStatus->text() : message);
}

void frmMain::selectInSendBox(qsizetype start, qsizetype length)
{
    txtSend->setFocus(Qt::OtherFocusReason);
    txtSend->setSelection(int(start), int(length));
}

void frmMain::showCriticalMessage(const QString &title, const QString &text)
{
    MessageBoxes::show({this, MessageBoxes::Icon::Critical, title, text});
}

bool frmMain::modalDialogOpen() const
{
    return QApplication::activeModalWidget() != nullptr;
}

void frmMain::showPlainMessage(const QString &text)
{
    MessageBoxes::show({this, MessageBoxes::Icon::None, QStringLiteral("Lintrova"), text});
}
