#pragma once

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

// Watches for a device that went away to come back under its path, without
// waking the program while nothing happens: the folders on the way to the
// path, and to where its links lead, are watched for changes (inotify), so
// a folder that appears, a link made or a device node created is noticed.
//
// The device counts as back only when the path itself is made anew: a link
// created again (as udev and socat do), a device node that appears. A path
// that is still there when the watch starts, such as a link left behind by a
// program that ended, leads nowhere it may be trusted to lead: when its
// target comes back under the same name, that is whatever the system handed
// the name to next (the pseudo-terminal of another program, say), so it is
// never tried. Only removing the path and making it again counts.
//
// Once the path is made anew and leads somewhere, tries follow every 250 ms
// for 5 s: the system sets a new device node's permissions a moment after it
// appears, and the device may not yet be the one that went away (the
// kernel's names are handed to the next device). A try waits, without
// counting towards the 5 s, while `mayTry` says no (a modal dialog is open);
// it is made as soon as it says yes. After 5 s of failed tries the watch
// waits for the path to be made anew once more.
//
// A port across the network has no path in the file system (its path is an
// address such as rfc2217://host:port): nothing tells when its server is
// back, so it is tried every second (kNetworkRetryMs) for as long as the
// watch runs, each try taking as long as an opening may.
class DeviceReturnWatch : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<bool()> mayTry;
        std::function<bool()> tryReopen; // true: the device is back and open
    };
    static constexpr int kRetryMs = 250;
    static constexpr int kTryingMs = 5000;
    static constexpr int kNetworkRetryMs = 1000;

    explicit DeviceReturnWatch(Hooks hooks, QObject *parent = nullptr);

    // Watches `path`; what is there now (if anything) does not count as back.
    void start(const QString &path);
    void stop();
    bool active() const { return m_active; }
    // Whether tries are being made (the path was made anew); the timer runs only then.
    bool trying() const { return m_retry.isActive(); }
    const QString &path() const { return m_path; }

    // Which file a path names itself (a link, not what it leads to): it
    // changes when the path is removed and made again. Nothing when there is
    // no file of that name.
    struct Entry {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 changedNs = 0;
        bool operator==(const Entry &other) const
        {
            return device == other.device && inode == other.inode && changedNs == other.changedNs;
        }
    };
    static std::optional<Entry> entryAt(const QString &path);

private:
    void rewatch();
    void check();
    void attempt();
    void noteEntry();

    Hooks m_hooks;
    QString m_path;
    bool m_active = false;
    bool m_network = false;      // the path is an address, not a file
    std::optional<Entry> m_seen; // what was at the path when last looked at
    bool m_renewed = false;      // the path was made anew and not yet tried out
    QFileSystemWatcher m_folders;
    QTimer m_retry;
    QElapsedTimer m_sinceFirstTry;
};
