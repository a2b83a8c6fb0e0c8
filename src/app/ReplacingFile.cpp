#include "app/ReplacingFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The permissions a newly created file gets from the process's umask.
mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The file a save of path replaces: the one a link leads to, or path itself.
QString replacedFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isSymLink() ? info.symLinkTarget() : path;
}

// What marks the program's own temporary files: '.' + the target's name +
// kMarker + the six characters mkostemp puts in place of XXXXXX.
constexpr QLatin1StringView kMarker(".lintrova-save-");
constexpr qsizetype kUniqueLength = 6;

bool isUniquePart(QStringView part)
{
    if (part.size() != kUniqueLength)
        return false;
    return std::all_of(part.begin(), part.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
    });
}

// The temporary name of a save of the file called name, without its unique part.
QString temporaryStem(const QString &name)
{
    return u'.' + name + kMarker;
}

// Removes the files in folder older than latest whose name passes the test;
// links and folders are never a save's own temporary file.
template <class Test>
int removeOld(const QString &folder, const QDateTime &latest, Test &&isLeftover)
{
    int removed = 0;
    const QFileInfoList candidates =
        QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo &file : candidates) {
        if (!isLeftover(file.fileName()))
            continue;
        if (file.lastModified().toUTC() < latest && QFile::remove(file.absoluteFilePath()))
            ++removed;
    }
    return removed;
}

} // namespace

bool ReplacingFile::isTemporaryName(QStringView name)
{
    // '.', a name of at least one character, the marker, the unique part.
    const qsizetype stem = name.size() - kUniqueLength;
    if (stem <= 1 + kMarker.size() || !name.startsWith(u'.'))
        return false;
    return name.first(stem).endsWith(kMarker) && isUniquePart(name.sliced(stem));
}

int ReplacingFile::removeLeftovers(const QString &folder, std::chrono::seconds minimumAge)
{
    if (folder.isEmpty())
        return 0;
    const QDateTime latest = QDateTime::currentDateTimeUtc().addSecs(-minimumAge.count());
    int removed =
        removeOld(folder, latest, [](const QString &name) { return isTemporaryName(name); });
    // A save through a link writes beside the file the link leads to; there
    // only that file's leftovers are the program's.
    const QDir here(folder);
    const QFileInfoList entries = here.entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &link : entries) {
        if (!link.isSymLink())
            continue;
        const QFileInfo target(replacedFile(link.absoluteFilePath()));
        if (target.fileName().isEmpty() || QDir(target.absolutePath()) == here)
            continue;
        const QString stem = temporaryStem(target.fileName());
        removed += removeOld(target.absolutePath(), latest, [&stem](const QString &name) {
            return name.startsWith(stem) && isUniquePart(QStringView(name).sliced(stem.size()));
        });
    }
    return removed;
}

ReplacingFile::ReplacingFile(const QString &path) : m_path(path) {}

ReplacingFile::~ReplacingFile() { discard(); }

bool ReplacingFile::open()
{
    if (m_error != 0)
        return false;
    const QString target = replacedFile(m_path);
    if (target.isEmpty())
        return fail(ENOENT);
    if (QFileInfo(target).isDir())
        return fail(EISDIR);
    const QFileInfo info(target);
    m_target = QFile::encodeName(target);
    m_temporary = QFile::encodeName(info.absolutePath() + u'/' + temporaryStem(info.fileName())) +
                  QByteArray(kUniqueLength, 'X');
    m_fd = ::mkostemp(m_temporary.data(), O_CLOEXEC);
    if (m_fd < 0) {
        m_temporary.clear();
        return fail(errno);
    }
    struct stat old {};
    const mode_t mode = ::stat(m_target.constData(), &old) == 0 ? (old.st_mode & 07777)
                                                                 : newFileMode();
    if (::fchmod(m_fd, mode) != 0)
        return fail(errno);
    return true;
}

bool ReplacingFile::write(QByteArrayView bytes)
{
    if (m_error != 0)
        return false;
    if (m_fd < 0)
        return fail(EBADF);
    const char *data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) // a short write that makes no progress is a full disk
            return fail(n < 0 ? errno : ENOSPC);
        data += n;
        left -= n;
    }
    return true;
}

bool ReplacingFile::commit()
{
    if (m_error != 0)
        return false;
    if (m_fd < 0)
        return fail(EBADF);
    if (::fsync(m_fd) != 0)
        return fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        return fail(errno);
    if (::rename(m_temporary.constData(), m_target.constData()) != 0)
        return fail(errno);
    m_temporary.clear();
    return true;
}

bool ReplacingFile::fail(int err)
{
    if (m_error == 0)
        m_error = err != 0 ? err : EIO;
    discard();
    return false;
}

void ReplacingFile::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.isEmpty()) {
        ::unlink(m_temporary.constData());
        m_temporary.clear();
    }
}
