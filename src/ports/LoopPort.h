#pragma once

#include "ports/BackloggedPort.h"
#include "ports/LineAttributes.h"
#include "ports/PortSettingsString.h"
#include "ports/PortText.h"
#include "ports/SerialPortControl.h"

#include <QByteArray>
#include <QTimer>

#include <chrono>
#include <deque>
#include <functional>

// The loopback inside the program (Ports.ini entry loop://): what is sent
// comes back as received after the line time it needs at the set rate and
// format, one character after the other, as if the transmit and receive
// pins of a port were joined. So the character delay, the quiet time and
// RTS behave as on a wire, and the program can be tried without hardware.
//
// Like a port's driver it holds up to kLineBuffer characters on their way;
// beyond that a write waits (with the window's events running) until the
// line has taken one. setRTSEnable(false) waits until all have been sent.
// Closing drops what is still on its way. Handshake and DTR are accepted and
// change nothing. The backlog, InBufferSize, InputLen and the arrival
// signalling behave as for the terminal-device port. It never goes away.
class LoopPort : public BackloggedPort {
public:
    static constexpr qsizetype kLineBuffer = 4096;

    explicit LoopPort(LanguageSource language = {});
    ~LoopPort() override;
    LoopPort(const LoopPort &) = delete;
    LoopPort &operator=(const LoopPort &) = delete;

    bool PortOpen() override { return m_open; }
    void setPortOpen(bool open) override;
    void setCommPort(qint16 n) override;
    void setSettings(const QString &settings) override;
    void setInBufferSize(qint16 size) override;
    void setInputLen(qint16 len) override;
    void setRThreshold(qint16) override {}
    void setSThreshold(qint16) override {}
    void setEOFEnable(bool) override {}
    void setHandshaking(qint32 mode) override { handshakeFromMode(mode, language()); }
    void setDTREnable(bool) override {}
    void setRTSEnable(bool enable) override;
    void setOutput(const QString &chars) override;
    QString devicePath() const override { return QStringLiteral("loop://"); }

    // Bytes of backlog beyond which the line stops delivering.
    void setBacklogCap(qsizetype bytes) { m_backlog.setCap(bytes); }

private:
    using Clock = std::chrono::steady_clock;
    struct InFlight {
        char byte;
        Clock::time_point arrives;
    };

    void requireOpen() const;
    quint8 language() const { return m_language ? m_language() : 1; }
    QString text(qint32 id, const QStringList &params = {}) const;
    void deliverDue();
    void schedule();
    void refill() override;
    void updateWatching() override { schedule(); }
    void waitUntil(Clock::time_point when);
    std::chrono::nanoseconds characterTime() const;

    LanguageSource m_language;
    bool m_open = false;
    PortSettings m_settings;
    std::deque<InFlight> m_line; // sent, not yet arrived
    Clock::time_point m_lineFreeAt;
    QTimer m_arrival; // wakes the program when the next character arrives
    quint64 m_generation = 0;
};
