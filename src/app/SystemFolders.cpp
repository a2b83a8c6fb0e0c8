#include "app/SystemFolders.h"

#include <QCoreApplication>
#include <QDir>

#ifndef LINTROVA_SHARED_FOLDER
#error "the build passes the installation's shared folder in"
#endif

#ifdef Q_OS_WIN
#include <windows.h>
// shlobj.h needs the types of windows.h.
#include <shlobj.h>
#endif

namespace {

QString &programFolderOverride()
{
    static QString folder;
    return folder;
}

QString &sharedFolderOverride()
{
    static QString folder;
    return folder;
}

#ifdef Q_OS_WIN
QString commonAppDataFolder()
{
    wchar_t buffer[512] = {};
    SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, buffer);
    buffer[511] = 0;
    // The path ends at the first NUL; whatever follows is not part of it.
    return QString::fromWCharArray(buffer);
}
#else
QString xdgDataHome()
{
    const QString fromEnvironment = qEnvironmentVariable("XDG_DATA_HOME");
    if (!fromEnvironment.isEmpty() && QDir::isAbsolutePath(fromEnvironment))
        return fromEnvironment;
    return QDir::homePath() + QStringLiteral("/.local/share");
}
#endif

} // namespace

namespace SystemFolders {

QString DataFolder()
{
#ifdef Q_OS_WIN
    return commonAppDataFolder() + QStringLiteral("\\Kavrel\\Lintrova\\");
#else
    QString base = xdgDataHome();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base + QStringLiteral("/Kavrel/Lintrova/");
#endif
}

QString ProgramFolder()
{
    if (!programFolderOverride().isEmpty())
        return programFolderOverride();
    return QCoreApplication::applicationDirPath();
}

QStringList TemplateFolders()
{
    QStringList folders{ProgramFolder()};
#ifndef Q_OS_WIN
    folders.append(sharedFolderOverride().isEmpty() ? QStringLiteral(LINTROVA_SHARED_FOLDER)
                                                    : sharedFolderOverride());
#endif
    return folders;
}

void SetProgramFolderForTesting(const QString &folder)
{
    programFolderOverride() = folder;
}

void SetSharedFolderForTesting(const QString &folder)
{
    sharedFolderOverride() = folder;
}

} // namespace SystemFolders
