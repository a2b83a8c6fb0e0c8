#include "text/ReceivedChecksum.h"

std::optional<ReceivedChecksum> checkReceived(Checksum kind, QByteArrayView line,
                                              QByteArrayView lineEnd)
{
    if (!lineEnd.isEmpty() && line.endsWith(lineEnd))
        line.chop(lineEnd.size());
    const qsizetype size = checksumSize(kind);
    if (line.size() < size + 1)
        return std::nullopt;
    const QByteArrayView data = line.first(line.size() - size);
    ReceivedChecksum check;
    check.expected = checksumBytes(kind, data);
    check.received = line.last(size).toByteArray();
    check.correct = check.expected == check.received;
    return check;
}
