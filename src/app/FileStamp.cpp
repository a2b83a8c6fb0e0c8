#include "app/FileStamp.h"

#include "app/IniProfile.h"
#include "app/WholeFile.h"

#include <QCryptographicHash>

FileStamp FileStamp::of(const QString &path)
{
    FileStamp stamp;
    // The program reads no larger INI file; such a file counts as unreadable.
    if (const auto bytes = WholeFile::read(path, IniProfile::kMaxFileSize)) {
        stamp.m_readable = true;
        stamp.m_hash = QCryptographicHash::hash(*bytes, QCryptographicHash::Sha256);
    }
    return stamp;
}
