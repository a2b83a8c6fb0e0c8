#include "ports/LoopPort.h"

#include "host/WaitMilliseconds.h"
#include "ports/LineTime.h"
#include "ports/PortErrors.h"
#include "ports/PortText.h"
#include "text/Codec.h"

#include <algorithm>

namespace
{
constexpr qint32 kNotOpen = 2011;
constexpr qint32 kClosedWhileSending = 2012;
constexpr qint32 kNumberWhileOpen = 2013;
constexpr qint32 kInvalidNumber = 2014;
constexpr qint32 kNoByte = 2015;
} // namespace

LoopPort::LoopPort(LanguageSource language) : m_language(std::move(language))
{
    m_arrival.setSingleShot(true);
    m_arrival.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_arrival, &QTimer::timeout, &m_arrival, [this] {
        const qsizetype before = m_backlog.size();
        deliverDue();
        schedule();
        if (m_backlog.size() != before)
            announceArrival();
    });
}

LoopPort::~LoopPort() = default;

void LoopPort::setPortOpen(bool open)
{
    if (open == m_open)
        return;
    m_open = open;
    ++m_generation;
    m_line.clear();
    m_backlog.clear();
    m_arrival.stop();
    m_lineFreeAt = Clock::now();
}

void LoopPort::setCommPort(qint16 n)
{
    if (m_open)
        throw PortError(PortErrors::AlreadyOpen, text(kNumberWhileOpen));
    if (n < 1)
        throw PortError(PortErrors::InvalidPortNumber, text(kInvalidNumber, {QString::number(n)}));
}

void LoopPort::setSettings(const QString &settings)
{
    m_settings = parsePortSettings(settings, language());
}

void LoopPort::setInBufferSize(qint16 size)
{
    m_backlog.setInBufferSize(size, language());
}

void LoopPort::setInputLen(qint16 len)
{
    m_backlog.setInputLen(len, language());
}

// RTS drops once the last character has left, as on a port whose driver
// tells when its output has drained.
void LoopPort::setRTSEnable(bool enable)
{
    if (m_open && !enable && !m_line.empty())
        waitUntil(m_line.back().arrives);
}

void LoopPort::setOutput(const QString &chars)
{
    requireOpen();
    const std::optional<QByteArray> bytes = Codec::toBytes(chars);
    if (!bytes)
        throw PortError(PortErrors::CharacterWithoutByte, text(kNoByte));
    for (const char byte : *bytes) {
        deliverDue();
        if (qsizetype(m_line.size()) >= kLineBuffer)
            waitUntil(m_line[m_line.size() - kLineBuffer].arrives);
        m_lineFreeAt = std::max(m_lineFreeAt, Clock::now()) + characterTime();
        m_line.push_back({byte, m_lineFreeAt});
    }
    schedule();
}

void LoopPort::refill()
{
    requireOpen();
    deliverDue();
}

void LoopPort::requireOpen() const
{
    if (!m_open)
        throw PortError(PortErrors::NotOpen, text(kNotOpen));
}

// Moves the characters whose time has come into the backlog; beyond its cap
// they wait on the line, as a device's flow control would hold them.
void LoopPort::deliverDue()
{
    const Clock::time_point now = Clock::now();
    QByteArray arrived;
    while (!m_line.empty() && m_line.front().arrives <= now &&
           arrived.size() < m_backlog.room()) {
        arrived.append(m_line.front().byte);
        m_line.pop_front();
    }
    if (!arrived.isEmpty())
        m_backlog.append(arrived.constData(), arrived.size());
}

// The timer runs only while the arrival watch is on and a character is on
// its way, so an idle loopback never wakes the program.
void LoopPort::schedule()
{
    if (!m_open || !m_watchArrivals || m_line.empty() || m_backlog.full()) {
        m_arrival.stop();
        return;
    }
    const auto left = m_line.front().arrives - Clock::now();
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    m_arrival.start(int(std::clamp<qint64>(ms, 0, 1 << 30)));
}

void LoopPort::waitUntil(Clock::time_point when)
{
    const quint64 generation = m_generation;
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(when - Clock::now());
    if (left.count() > 0) {
        schedule();
        WaitUntil(QDeadlineTimer(left, Qt::PreciseTimer));
    }
    if (generation != m_generation || !m_open)
        throw PortError(PortErrors::NotOpen, text(kClosedWhileSending));
    deliverDue();
}

QString LoopPort::text(qint32 id, const QStringList &params) const
{
    return PortText::text(language(), id, params);
}

std::chrono::nanoseconds LoopPort::characterTime() const
{
    return std::chrono::nanoseconds(qint64(halfBitsPerCharacter(m_settings)) * 500'000'000 /
                                    std::max(m_settings.baud, 1));
}
