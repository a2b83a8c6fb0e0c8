#pragma once

#include <QString>

#include <optional>

// The control lines as the window shows them.
struct LineState {
    bool switchable = false; // a port with modem lines is open: DTR and RTS can be switched
    bool rtsOwned = false;   // the transmission or the handshake owns RTS
    bool dtr = false;
    bool rts = false;
    std::optional<quint8> inputs; // CTS, DSR, DCD, RI as ModemInput bits; unknown when empty
    bool breakAllowed = false;    // Edit > Send break can be used now

    bool operator==(const LineState &o) const
    {
        return switchable == o.switchable && rtsOwned == o.rtsOwned && dtr == o.dtr &&
               rts == o.rts && inputs == o.inputs && breakAllowed == o.breakAllowed;
    }
};

// What the terminal engine needs of the main window. The engine holds no
// widget; the window implements this, and tests implement it with plain data.
class TerminalView {
public:
    virtual ~TerminalView() = default;

    virtual QString sendText() const = 0; // txtSend
    virtual void setSendText(const QString &text) = 0;
    virtual QString slotText(int slot) const = 0; // txtBefehl1 to txtBefehl8
    virtual QString waitTimeText() const = 0;     // txtWaitTime

    virtual bool repeatChecked() const = 0;              // chkRepeat
    virtual bool repeatCommandConfigChecked() const = 0; // chkRepeatCommandConfig

    // Presses a button as a click would: a disabled button does nothing.
    virtual void pressSendButton() = 0;
    virtual void pressSlotButton(int slot) = 0;

    // Enables or disables the controls that need an open port.
    virtual void enablePortControls(bool enabled) = 0;
    virtual void setStatusText(const QString &text) = 0;
    // A field of its own in the status bar: what the program waits for (a
    // device to appear, a server to answer); an empty text hides it.
    virtual void setWaitingText(const QString &text) = 0;
    // Whether there is a port to close (open, connecting or awaited): the
    // File menu offers to close it, otherwise to open one.
    virtual void setPortInUse(bool inUse) = 0;
    // A modal box with the critical icon and an OK button.
    virtual void showCriticalMessage(const QString &title, const QString &text) = 0;
    // A box with an OK button, no icon and the program's title.
    virtual void showPlainMessage(const QString &text) = 0;
    // Whether a modal dialog or box of the program is open: a lost port is
    // not opened again behind it.
    virtual bool modalDialogOpen() const = 0;

    // Shows a text in the status bar for a few seconds, in place of the
    // status text, which then comes back by itself.
    virtual void showStatusMessage(const QString &text) = 0;
    // Ends such a message at once: the status text shows again.
    virtual void clearStatusMessage() = 0;
    // While a file goes out: its name and progress in the status bar in place
    // of the line field, with a button that cancels the send; Send, the
    // command slots and the repetition are off meanwhile. An empty text: the
    // send has ended.
    virtual void showFileProgress(const QString &text) { (void)text; }
    // Gives the send box the focus with these of its characters selected.
    virtual void selectInSendBox(qsizetype start, qsizetype length) = 0;
    // The DTR and RTS switches, the modem line indicators and the break
    // command; called when any of them changes.
    virtual void showLines(const LineState &state) { (void)state; }
};
