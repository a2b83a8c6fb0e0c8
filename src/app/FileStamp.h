#pragma once

#include <QByteArray>
#include <QString>

// What a file held when it was looked at, to tell later whether someone
// changed it meanwhile: a hash of its bytes, or that there was no file to
// read (missing, not a regular file, unreadable or larger than the program
// reads). Two stamps are equal when the file holds the same bytes, whatever
// its time stamps say.
class FileStamp {
public:
    static FileStamp of(const QString &path);

    bool operator==(const FileStamp &other) const
    {
        return m_readable == other.m_readable && m_hash == other.m_hash;
    }
    bool operator!=(const FileStamp &other) const { return !(*this == other); }
    // Whether there was a file to read.
    bool readable() const { return m_readable; }

private:
    bool m_readable = false;
    QByteArray m_hash;
};
