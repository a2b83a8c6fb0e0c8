#pragma once

#include "engine/TerminalView.h"

#include <QTimer>

struct EngineContext;

// The line under the user's hand: BREAK, the DTR and RTS switches and the
// modem lines shown.
//
// BREAK holds the line in the break state for kBreakMs, then releases it;
// the window's events run meanwhile, transmissions wait (breakHolding), and
// the log gets the event line "BREAK (250 ms)". A port that cannot send it
// says why in the status bar. It is refused while no port that can send one
// is open, while a transmission or a file goes out, and while a break holds.
//
// DTR starts as the settings say at every opening, RTS low; a switch changes
// the line for this run only and is written nowhere. RTS cannot be switched
// while the transmission raises it (RTS in the settings) or the handshake
// owns it (handshake 2 or 3).
//
// A local device's modem lines are read every kPollMs while it is open and
// has them; no timer runs otherwise. A port across the network tells of
// changes itself.
class LineControl {
public:
    static constexpr int kBreakMs = 250;
    static constexpr int kPollMs = 100;

    explicit LineControl(EngineContext &context);
    ~LineControl();
    LineControl(const LineControl &) = delete;
    LineControl &operator=(const LineControl &) = delete;

    void sendBreak();
    bool breakAllowed() const;
    void switchDtr(bool on);
    void switchRts(bool on);
    // Whether the modem lines are being read by the timer.
    bool polling() const { return m_poll.isActive(); }
    // The port was opened (true) or closed.
    void portSwitched(bool open);
    // Reads the modem lines again and shows what changed.
    void refresh();

private:
    void releaseBreak();
    bool rtsOwned() const;
    void switchLine(bool dtr, bool on);
    void show();

    EngineContext &m;
    QTimer m_poll;
    QTimer m_break;
    bool m_open = false;
    bool m_dtr = false;
    bool m_rts = false;
    std::optional<quint8> m_inputs;
    bool m_switchable = false;
    LineState m_shown;
    bool m_anyShown = false;
};
