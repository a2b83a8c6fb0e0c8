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

// The six characters mkostemp puts in place of XXXXXX.
bool isTemporarySuffix(QStringView suffix)
{
    if (suffix.size() != 6)
        return false;
    return std::all_of(suffix.begin(), suffix.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
    });
}

} // namespace

int ReplacingFile::removeLeftovers(const QString &path, std::chrono::seconds minimumAge)
{
    const QString target = replacedFile(path);
    if (target.isEmpty())
        return 0;
    const QFileInfo targetInfo(target);
    const QString prefix = targetInfo.fileName() + u'.';
    const QDateTime latest = QDateTime::currentDateTimeUtc().addSecs(-minimumAge.count());
    int removed = 0;
    // Links and folders are never a save's own temporary file.
    const QFileInfoList candidates = QDir(targetInfo.absolutePath())
        .entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo &file : candidates) {
        const QString name = file.fileName();
        if (!name.startsWith(prefix) || !isTemporarySuffix(QStringView(name).mid(prefix.size())))
            continue;
        if (file.lastModified().toUTC() < latest && QFile::remove(file.absoluteFilePath()))
            ++removed;
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
    m_target = QFile::encodeName(target);
    m_temporary = m_target + ".XXXXXX";
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
