#pragma once

#include "engine/TerminalView.h"

#include <QStringList>

#include <array>
#include <functional>

// The window as plain data. Button presses are routed to callbacks the test
// connects to the engine, honouring the enabled state as a real button does.
class FakeView : public TerminalView {
public:
    QString send;
    std::array<QString, 8> slots;
    QString waitTime = QStringLiteral("0");
    bool repeat = false;
    bool repeatCommandConfig = false;
    bool portControlsEnabled = false;
    bool sendButtonEnabled = true;
    bool modal = false; // a modal dialog is open
    QString status;
    QString waiting;        // the status bar's waiting field; empty: hidden
    bool portInUse = false; // the File menu offers to close the port
    QStringList messages; // "title|text"
    QList<int> pressedSlots;
    QStringList statusMessages;                        // shown for a few seconds each
    QList<std::pair<qsizetype, qsizetype>> selections; // start, length in the send box
    LineState lines;                                   // as shown last
    std::function<void()> onSend;
    std::function<void(int)> onSlot;

    QString sendText() const override { return send; }
    void setSendText(const QString &text) override { send = text; }
    QString slotText(int slot) const override { return slots.at(slot - 1); }
    QString waitTimeText() const override { return waitTime; }
    bool repeatChecked() const override { return repeat; }
    bool repeatCommandConfigChecked() const override { return repeatCommandConfig; }
    void pressSendButton() override
    {
        if (sendButtonEnabled && onSend)
            onSend();
    }
    void pressSlotButton(int slot) override
    {
        pressedSlots.append(slot);
        if (portControlsEnabled && onSlot)
            onSlot(slot);
    }
    void enablePortControls(bool enabled) override { portControlsEnabled = enabled; }
    void setStatusText(const QString &text) override { status = text; }
    void setWaitingText(const QString &text) override { waiting = text; }
    void setPortInUse(bool inUse) override { portInUse = inUse; }
    void showCriticalMessage(const QString &title, const QString &text) override
    {
        messages.append(title + u'|' + text);
    }
    void showPlainMessage(const QString &text) override { messages.append(u'|' + text); }
    bool modalDialogOpen() const override { return modal; }
    void showStatusMessage(const QString &text) override { statusMessages.append(text); }
    void clearStatusMessage() override { statusMessages.append(QString()); }
    void selectInSendBox(qsizetype start, qsizetype length) override
    {
        selections.append({start, length});
    }
    void showLines(const LineState &state) override { lines = state; }
};
