#pragma once

#include "text/Codec.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Takes a fuzz input apart: small numbers and length-prefixed pieces from the
// front, the rest as one piece. Running out of bytes gives zeros and empty
// pieces, so every input is usable.
class FuzzInput {
public:
    FuzzInput(const uint8_t *data, size_t size)
        : m_bytes(reinterpret_cast<const char *>(data), qsizetype(size))
    {
    }

    uint8_t byte()
    {
        return m_pos < m_bytes.size() ? uint8_t(m_bytes[m_pos++]) : 0;
    }

    // A number below bound (bound from 1 to 256).
    int below(int bound) { return byte() % bound; }

    bool flag() { return byte() & 1; }

    // A piece of at most maxLength bytes, its length taken from one byte.
    QByteArray piece(int maxLength)
    {
        const qsizetype length = qMin<qsizetype>(below(maxLength + 1), m_bytes.size() - m_pos);
        const QByteArray part = m_bytes.mid(m_pos, length);
        m_pos += length;
        return part;
    }

    QByteArray rest()
    {
        const QByteArray part = m_bytes.mid(m_pos);
        m_pos = m_bytes.size();
        return part;
    }

    // A piece as text: the codec's character of every byte, or (when
    // wide) UTF-8, so that characters without a byte come along too.
    static QString text(const QByteArray &bytes, bool wide)
    {
        return wide ? QString::fromUtf8(bytes) : Codec::toText(bytes);
    }

private:
    QByteArray m_bytes;
    qsizetype m_pos = 0;
};

// A folder of the target's own for the files it reads and writes, removed at
// the end. On a memory file system where there is one: every save replaces
// its file durably, which would otherwise wait for the disk on every input.
inline QTemporaryDir &privateFolder()
{
    static QTemporaryDir folder(QDir(QStringLiteral("/dev/shm")).exists()
                                        ? QStringLiteral("/dev/shm/lintrova-fuzz-XXXXXX")
                                        : QDir::tempPath() + QStringLiteral("/lintrova-fuzz-XXXXXX"));
    return folder;
}

// A broken property: says which and what, then aborts so that libFuzzer
// saves the input as a crash file.
[[noreturn]] inline void propertyFailed(const char *property, const QString &detail)
{
    std::fprintf(stderr, "property failed: %s\n%s\n", property, qPrintable(detail));
    std::abort();
}

#define FUZZ_CHECK(condition, detail)                                                             \
    do {                                                                                          \
        if (!(condition))                                                                         \
            propertyFailed(#condition, (detail));                                                 \
    } while (false)

// A text with its control and non-ASCII characters as {code}, for messages.
inline QString visible(const QString &text)
{
    QString shown;
    for (const QChar ch : text) {
        if (ch.unicode() < 32 || ch.unicode() > 126)
            shown += QStringLiteral("{%1}").arg(int(ch.unicode()));
        else
            shown += ch;
    }
    return shown;
}

inline QString visible(const QByteArray &bytes)
{
    return visible(QString::fromLatin1(bytes));
}
