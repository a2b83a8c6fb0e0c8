#include "ports/DeviceReturnWatch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringList>

#include <sys/stat.h>

namespace {

constexpr int kMostLinks = 8; // a longer chain of links leads nowhere useful

// The nearest folder on the way to `path` that exists now.
QString nearestFolder(const QString &path)
{
    QString folder = QFileInfo(path).absolutePath();
    while (!QFileInfo(folder).isDir()) {
        const QString up = QFileInfo(folder).absolutePath();
        if (up == folder)
            break;
        folder = up;
    }
    return folder;
}

// The folders whose changes can make `path` lead to a device: its own, and
// those of every link on the way (a link may stay while its target comes and
// goes).
QSet<QString> foldersToWatch(const QString &path)
{
    QSet<QString> folders;
    QString hop = path;
    for (int i = 0; i <= kMostLinks && !hop.isEmpty(); ++i) {
        folders.insert(nearestFolder(hop));
        const QFileInfo info(hop);
        hop = info.isSymLink() ? info.symLinkTarget() : QString();
    }
    return folders;
}

} // namespace

DeviceReturnWatch::DeviceReturnWatch(Hooks hooks, QObject *parent)
    : QObject(parent), m_hooks(std::move(hooks))
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(kRetryMs);
    connect(&m_retry, &QTimer::timeout, this, &DeviceReturnWatch::attempt);
    connect(&m_folders, &QFileSystemWatcher::directoryChanged, this, [this] {
        rewatch();
        check();
    });
}

void DeviceReturnWatch::start(const QString &path)
{
    stop();
    m_path = path;
    m_active = true;
    m_network = !path.startsWith(QLatin1Char('/'));
    m_retry.setInterval(m_network ? kNetworkRetryMs : kRetryMs);
    if (m_network) {
        m_retry.start();
        return;
    }
    m_seen = entryAt(m_path);
    m_renewed = false;
    rewatch();
}

void DeviceReturnWatch::stop()
{
    m_active = false;
    m_renewed = false;
    m_retry.stop();
    m_sinceFirstTry.invalidate();
    const QStringList watched = m_folders.directories();
    if (!watched.isEmpty())
        m_folders.removePaths(watched);
}

void DeviceReturnWatch::rewatch()
{
    if (!m_active || m_network)
        return;
    const QSet<QString> wanted = foldersToWatch(m_path);
    QStringList gone;
    const QStringList watched = m_folders.directories();
    for (const QString &folder : watched) {
        if (!wanted.contains(folder))
            gone.append(folder);
    }
    if (!gone.isEmpty())
        m_folders.removePaths(gone);
    QStringList added;
    for (const QString &folder : wanted) {
        if (!watched.contains(folder))
            added.append(folder);
    }
    if (!added.isEmpty())
        m_folders.addPaths(added);
}

// A path removed and made again between two looks has another inode or a
// newer change time, so it counts as made anew even when its absence was
// never seen.
void DeviceReturnWatch::noteEntry()
{
    const std::optional<Entry> now = entryAt(m_path);
    if (now == m_seen)
        return;
    m_seen = now;
    m_renewed = now.has_value();
    m_sinceFirstTry.invalidate(); // a path made anew gets its own 5 s
}

// A change in a watched folder: tries begin when the path was made anew and
// leads somewhere, and none are being made.
void DeviceReturnWatch::check()
{
    if (!m_active)
        return;
    noteEntry();
    if (m_renewed && !m_retry.isActive() && QFileInfo::exists(m_path))
        attempt();
}

void DeviceReturnWatch::attempt()
{
    if (!m_active)
        return;
    if (!m_network) {
        noteEntry();
        if (!m_renewed || !QFileInfo::exists(m_path)) // gone again before it could be opened
            return;
    }
    if (m_hooks.mayTry && !m_hooks.mayTry()) {
        m_retry.start();
        return;
    }
    if (!m_sinceFirstTry.isValid())
        m_sinceFirstTry.start();
    if (m_hooks.tryReopen && m_hooks.tryReopen()) {
        stop();
        return;
    }
    if (!m_active)
        return;
    if (m_network || m_sinceFirstTry.elapsed() < kTryingMs)
        m_retry.start();
    else
        m_renewed = false; // tried out: only the path made anew once more counts
}

std::optional<DeviceReturnWatch::Entry> DeviceReturnWatch::entryAt(const QString &path)
{
    struct stat info = {};
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return Entry{quint64(info.st_dev), quint64(info.st_ino),
                 qint64(info.st_ctim.tv_sec) * 1'000'000'000 + info.st_ctim.tv_nsec};
}
