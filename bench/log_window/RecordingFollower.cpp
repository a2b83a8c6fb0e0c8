#include "RecordingFollower.h"

#include "Feed.h"
#include "Probes.h"

#include "engine/LogFile.h"
#include "engine/TrafficLog.h"

#include <algorithm>

RecordingFollower::RecordingFollower(TrafficLog &log, const QString &path)
    : m_log(log), m_file(path)
{
    connect(&log, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) {
                for (int row = first; row <= last; ++row) {
                    LogFile::appendLine(m_expected, m_log.lineBytes(row));
                    m_appendedNs.append(Feed::monotonicNs());
                }
            });
    // Ten looks a second: the lag is known to a tenth of a second at worst.
    m_timer.setInterval(100);
    connect(&m_timer, &QTimer::timeout, this, &RecordingFollower::poll);
    m_timer.start();
}

void RecordingFollower::poll()
{
    if (!m_file.isOpen() && !m_file.open(QIODevice::ReadOnly))
        return;
    QByteArray fresh = m_file.readAll();
    const qint64 now = Feed::monotonicNs();
    if (!m_headerSeen) {
        // The recording begins with its header (program, port, date), which
        // is no log line.
        m_head += fresh;
        const qsizetype end = m_head.indexOf('\n');
        if (end < 0)
            return;
        if (!m_head.startsWith("# Lintrova "))
            m_same = false;
        fresh = m_head.mid(end + 1);
        m_head.clear();
        m_headerSeen = true;
    }
    // What reached the file is compared at once and dropped, so the follower
    // holds no copy of a long recording.
    if (!m_expected.startsWith(fresh))
        m_same = false;
    m_expected.remove(0, std::min(fresh.size(), m_expected.size()));
    for (qsizetype n = fresh.count('\n'); n > 0; --n, ++m_linesInFile)
        if (m_linesInFile < m_appendedNs.size())
            m_lagMs.append((now - m_appendedNs[m_linesInFile]) / 1e6);
}

double RecordingFollower::maxLagMs() const
{
    return Probes::percentile(m_lagMs, 100);
}

double RecordingFollower::medianLagMs() const
{
    return Probes::percentile(m_lagMs, 50);
}
