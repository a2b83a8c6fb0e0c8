#pragma once

#include "ports/ReceiveBacklog.h"
#include "ports/SerialPortControl.h"

#include <functional>

// The receive side the device, network and loopback ports share: what
// arrives goes into a backlog that InBufferCount and Input read, and the
// terminal is told of an arrival while it watches for them. Each port says
// how it brings in what has arrived and how it starts or pauses reading.
class BackloggedPort : public SerialPortControl {
public:
    qint16 InBufferSize() const final { return m_backlog.inBufferSize(); }
    qint16 InBufferCount() final;
    QString Input() final;
    QString inputLine(QByteArrayView lineEnd) final;
    bool signalsArrival() const final { return true; }
    void setArrivalHandler(std::function<void()> handler) final
    {
        m_arrivalHandler = std::move(handler);
    }
    void setArrivalWatch(bool on) final;
    void setReceiveTap(std::function<void(QByteArrayView bytes)> tap) final
    {
        m_backlog.setTap(std::move(tap));
    }

protected:
    // Brings into the backlog what has arrived; raises PortError when the
    // port is closed, or when its device is gone and nothing is left to read.
    virtual void refill() = 0;
    // The backlog or the watch changed: reading from the line starts or pauses.
    virtual void updateWatching() = 0;
    void announceArrival() const
    {
        if (m_arrivalHandler)
            m_arrivalHandler();
    }

    ReceiveBacklog m_backlog;
    bool m_watchArrivals = true;

private:
    std::function<void()> m_arrivalHandler;
};
