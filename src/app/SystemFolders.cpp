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

QString &profileName()
{
    static QString name;
    return name;
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

void SetProfile(const QString &name)
{
    profileName() = IsProfileName(name) ? name : QString();
}

QString Profile()
{
    return profileName();
}

bool IsProfileName(const QString &name)
{
    if (name.isEmpty() || name.size() > kMostProfileNameLength || name.startsWith(u'-'))
        return false;
    for (const QChar c : name) {
        const bool allowed = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                             (c >= u'0' && c <= u'9') || c == u'-' || c == u'_';
        if (!allowed)
            return false;
    }
    return true;
}

QString ProfileFolder()
{
    if (profileName().isEmpty())
        return DataFolder();
#ifdef Q_OS_WIN
    return DataFolder() + QStringLiteral("profiles\\") + profileName() + QLatin1Char('\\');
#else
    return DataFolder() + QStringLiteral("profiles/") + profileName() + QLatin1Char('/');
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
