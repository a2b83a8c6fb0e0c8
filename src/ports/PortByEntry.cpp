#include "ports/PortByEntry.h"

#include "host/PortAddress.h"

PortByEntry::PortByEntry(PortPathResolver resolver, LanguageSource language)
    : m_resolver(resolver), m_device(resolver, language), m_network(resolver, language),
      m_loop(language), m_current(&m_device)
{
}

void PortByEntry::setPortOpen(bool open)
{
    if (!open || m_current->PortOpen()) {
        m_current->setPortOpen(open);
        return;
    }
    // The resolver is asked again by the port itself; an entry that names
    // nothing is the terminal device's to report.
    SerialPortControl &next = portFor(m_resolver ? m_resolver(m_comPort) : PortPath{});
    if (&next != m_current)
        handOver(next);
    m_current->setPortOpen(true);
}

bool PortByEntry::mayWaitToOpen(qint16 comNumber)
{
    return &portFor(m_resolver ? m_resolver(comNumber) : PortPath{}) == &m_network;
}

SerialPortControl &PortByEntry::portFor(const PortPath &where)
{
    if (!where.error.isEmpty())
        return m_device;
    const std::optional<PortAddress> address = PortAddress::parse(where.path);
    if (!address)
        return m_device;
    return address->kind == PortAddress::Kind::Loop ? static_cast<SerialPortControl &>(m_loop)
                                                    : m_network;
}

// The values were taken by the port in use, so the next one takes them too
// (a handshake the network cannot do is refused when it opens).
void PortByEntry::handOver(SerialPortControl &next)
{
    next.setCommPort(m_comPort);
    next.setSettings(m_settings);
    next.setInBufferSize(m_inBufferSize);
    next.setInputLen(m_inputLen);
    next.setHandshaking(m_handshake);
    next.setDTREnable(m_dtr);
    next.setRTSEnable(m_rts);
    m_current = &next;
}

void PortByEntry::setCommPort(qint16 n)
{
    m_current->setCommPort(n);
    m_comPort = n;
}

void PortByEntry::setSettings(const QString &settings)
{
    m_current->setSettings(settings);
    m_settings = settings;
}

void PortByEntry::setInBufferSize(qint16 size)
{
    m_current->setInBufferSize(size);
    m_inBufferSize = size;
}

void PortByEntry::setInputLen(qint16 len)
{
    m_current->setInputLen(len);
    m_inputLen = len;
}

void PortByEntry::setHandshaking(qint32 mode)
{
    m_current->setHandshaking(mode);
    m_handshake = mode;
}

void PortByEntry::setDTREnable(bool enable)
{
    m_current->setDTREnable(enable);
    m_dtr = enable;
}

void PortByEntry::setRTSEnable(bool enable)
{
    try {
        m_current->setRTSEnable(enable);
    } catch (const PortError &) {
        if (!enable) // the port drops RTS even when the wait for it failed
            m_rts = false;
        throw;
    }
    m_rts = enable;
}

// Handlers and the watch go to every port: only the one in use calls them.
void PortByEntry::setArrivalHandler(std::function<void()> handler)
{
    m_device.setArrivalHandler(handler);
    m_network.setArrivalHandler(handler);
    m_loop.setArrivalHandler(std::move(handler));
}

void PortByEntry::setReceiveTap(std::function<void(QByteArrayView bytes)> tap)
{
    m_device.setReceiveTap(tap);
    m_network.setReceiveTap(tap);
    m_loop.setReceiveTap(std::move(tap));
}

void PortByEntry::setArrivalWatch(bool on)
{
    m_device.setArrivalWatch(on);
    m_network.setArrivalWatch(on);
    m_loop.setArrivalWatch(on);
}

void PortByEntry::setWaitHandler(std::function<void(const QString &)> handler)
{
    m_network.setWaitHandler(std::move(handler));
}

void PortByEntry::setHoldHandler(std::function<void(const QString &)> handler)
{
    m_network.setHoldHandler(std::move(handler));
}

void PortByEntry::setModemLineHandler(std::function<void()> handler)
{
    m_network.setModemLineHandler(std::move(handler));
}
