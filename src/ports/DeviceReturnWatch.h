#pragma once

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// Watches for a device that went away to come back under its path, without
// waking the program while nothing happens: the folders on the way to the
// path, and to where its links lead, are watched for changes (inotify), so
// a folder that appears, a link made or a device node created is noticed.
//
// Once the path leads somewhere, tries follow every 250 ms for 5 s: the
// system sets a new device node's permissions a moment after it appears,
// and the device may not yet be the one that went away (the kernel's names
// are handed to the next device). A try waits, without counting towards the
// 5 s, while `mayTry` says no (a modal dialog is open); it is made as soon as
// it says yes. After 5 s of failed tries the watch waits for the next change.
// A path that is still there when the watch starts is first tried after
// 250 ms.
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

    void start(const QString &path);
    void stop();
    bool active() const { return m_active; }
    // Whether tries are being made (the path is there); the timer runs only then.
    bool trying() const { return m_retry.isActive(); }

private:
    void rewatch();
    void check();
    void attempt();
    bool pathExists() const;

    Hooks m_hooks;
    QString m_path;
    bool m_active = false;
    bool m_network = false; // the path is an address, not a file
    QFileSystemWatcher m_folders;
    QTimer m_retry;
    QElapsedTimer m_sinceFirstTry;
};
