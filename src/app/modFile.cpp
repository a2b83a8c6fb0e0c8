#include "app/modFile.h"

#include "app/FolderLevels.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <sys/stat.h>
#endif

namespace {

#ifdef Q_OS_WIN
constexpr QChar kSeparator = QLatin1Char('\\');
constexpr bool kDriveAndNetworkForms = true;
#else
constexpr QChar kSeparator = QLatin1Char('/');
constexpr bool kDriveAndNetworkForms = false;
#endif

void letPendingEventsRun()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

} // namespace

bool fkt_FileExists(const QString &Path)
{
    if (Path.isEmpty())
        return false;
#ifdef Q_OS_WIN
    const DWORD attributes = GetFileAttributesW(reinterpret_cast<LPCWSTR>(Path.utf16()));
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError() == ERROR_SHARING_VIOLATION;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
#else
    struct stat info {};
    if (::stat(QFile::encodeName(Path).constData(), &info) != 0)
        return errno == EACCES;
    return !S_ISDIR(info.st_mode);
#endif
}

bool fkt_FileFolderExists(const QString &Path)
{
    letPendingEventsRun();
    const bool exists = !Path.isEmpty() && QFileInfo(Path).isDir();
    letPendingEventsRun();
    return exists;
}

bool fkt_FileCreateFolder(const QString &Path)
{
    if (fkt_FileFolderExists(Path))
        return true;
    const QFile::Permissions ownerOnly =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    QDir dir;
    for (const QString &level : fkt_FileFolderLevels(Path, kSeparator, kDriveAndNetworkForms)) {
        if (!fkt_FileFolderExists(level))
            dir.mkdir(level, ownerOnly); // a level that fails is passed over
    }
    letPendingEventsRun();
    return fkt_FileFolderExists(Path);
}
