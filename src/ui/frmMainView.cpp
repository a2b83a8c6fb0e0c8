// The window as the engine sees it.

#include "ui/frmMain.h"

#include "ui/LogView.h"
#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

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
    lstSendReceive->setEnabled(enabled);
    txtSend->setEnabled(enabled);
    cmdInsertSpecialChar->setEnabled(enabled);
    for (QPushButton *button : cmdBefehl)
        button->setEnabled(enabled);
    // White while usable; the button face colour makes it look greyed.
    QPalette palette = txtSend->palette();
    const QColor background = enabled ? QColor(Qt::white) : cmdDelete->palette().color(QPalette::Button);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, background);
    txtSend->setPalette(palette);
}

void frmMain::setStatusText(const QString &text)
{
    stbStatus->setText(text);
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
