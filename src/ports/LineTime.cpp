#include "ports/LineTime.h"

#include <algorithm>

namespace {
constexpr qint64 kSlackMs = 1000;
constexpr qint64 kMostMs = 60000;
} // namespace

int halfBitsPerCharacter(const PortSettings &settings)
{
    const int parity = settings.parity == Parity::None ? 0 : 2;
    int stop = 2;
    if (settings.stopBits == StopBits::OneAndHalf)
        stop = 3;
    else if (settings.stopBits == StopBits::Two)
        stop = 4;
    return 2 + 2 * settings.dataBits + parity + stop;
}

std::chrono::milliseconds drainLimit(qint64 queuedCharacters, const PortSettings &settings)
{
    // Far beyond what any limit needs, and safe from overflow below.
    const qint64 queued = std::clamp<qint64>(queuedCharacters, 0, qint64(1) << 40);
    const qint64 baud = std::max<qint64>(settings.baud, 1);
    // queued × half bits ÷ 2 ÷ baud seconds, × 1000 ms, × 1.25; rounded up.
    const qint64 lineMs = (queued * halfBitsPerCharacter(settings) * 625 + baud - 1) / baud;
    return std::chrono::milliseconds(std::min(kSlackMs + lineMs, kMostMs));
}
