// Prints how long the token decoding and the display encoding take on large
// texts. Run by hand: build/bench/bench_text
#include "text/LongTokenText.h"
#include "text/Tokens.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

constexpr int kRuns = 15;
constexpr quint32 kSeed = 20181;

template <typename Work> double medianMilliseconds(Work work)
{
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// One megabyte of received bytes, control characters among them.
QString receivedText()
{
    QRandomGenerator random(kSeed);
    QString text(1 << 20, Qt::Uninitialized);
    for (QChar &ch : text)
        ch =
            QChar(char16_t(random.bounded(8) == 0 ? random.bounded(32) : 32 + random.bounded(224)));
    return text;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);

    const QString tokens = longTokenText(32767, kSeed);
    qsizetype decodedSize = -1;
    const double decodeMs = medianMilliseconds([&] {
        const auto decoded = DecodeTokens(tokens);
        decodedSize = decoded ? decoded->size() : -1;
    });
    std::printf("DecodeTokens, %lld characters of tokens -> %lld characters: %.3f ms (median of "
                "%d, target < 20 ms)\n",
                static_cast<long long>(tokens.size()), static_cast<long long>(decodedSize),
                decodeMs, kRuns);

    const QString received = receivedText();
    qsizetype encodedSize = 0;
    const double encodeMs =
        medianMilliseconds([&] { encodedSize = EncodeControlChars(received).size(); });
    std::printf("EncodeControlChars, %lld characters -> %lld characters: %.3f ms (median of %d, "
                "target < 10 ms)\n",
                static_cast<long long>(received.size()), static_cast<long long>(encodedSize),
                encodeMs, kRuns);
    return decodedSize < 0 ? 1 : 0;
}
