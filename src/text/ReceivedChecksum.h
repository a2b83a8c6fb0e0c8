#pragma once

#include "text/Checksums.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// The checksum a received line carries, checked: its last bytes against the
// check computed over all bytes before them. A line that ends with lineEnd
// (when given) carries its check just before the line end, computed over the
// bytes before that.
struct ReceivedChecksum {
    bool correct = false;
    QByteArray expected; // computed over the bytes before the check
    QByteArray received; // the bytes where the check stands
};

// Nothing for a line shorter than the check and one byte (without its line
// end): it carries no check worth a mark.
std::optional<ReceivedChecksum> checkReceived(Checksum kind, QByteArrayView line,
                                              QByteArrayView lineEnd);
