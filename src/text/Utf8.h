#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

// UTF-8 as RFC 3629 defines it, for the few files that may hold it (the
// program's own Ports.ini, a path kept percent-encoded). Everything the
// device sends or receives goes through Codec instead.
namespace Utf8 {

// No overlong form, no surrogate, nothing past U+10FFFF, no sequence cut off.
bool isValid(QByteArrayView bytes);

// The text of bytes that are valid UTF-8, every character kept (a byte-order
// mark at the start too, which QString::fromUtf8 would drop); nothing for
// any other bytes.
std::optional<QString> decode(QByteArrayView bytes);

// Whether text comes back unchanged through UTF-8: false only for half of a
// surrogate pair.
bool carries(const QString &text);

} // namespace Utf8
