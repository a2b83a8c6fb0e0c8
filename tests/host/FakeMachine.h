#pragma once

#include "host/SerialDeviceSource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <functional>

// A made-up machine in a temporary folder: a data folder, a folder of
// device nodes (plain files stand in for them) and a by-id folder of links
// to those nodes. Plugging a device creates its node and link and makes it
// appear in the device list; unplugging takes all three away again.
class FakeMachine : public SerialDeviceSource {
public:
    FakeMachine()
    {
        QDir(m_root.path()).mkpath(QStringLiteral("data"));
        QDir(m_root.path()).mkpath(QStringLiteral("dev"));
        QDir(m_root.path()).mkpath(QStringLiteral("by-id"));
    }

    QList<SerialDevice> devices() const override
    {
        ++m_enumerations;
        if (whileEnumerating)
            whileEnumerating();
        return m_devices;
    }

    // Runs during each enumeration, as another instance might meanwhile.
    std::function<void()> whileEnumerating;

    bool isValid() const { return m_root.isValid(); }
    QString dataFolder() const { return m_root.filePath(QStringLiteral("data")) + QLatin1Char('/'); }
    QString byIdFolder() const { return m_root.filePath(QStringLiteral("by-id")); }
    // Where the kernel names its device nodes.
    QString kernelFolder() const
    {
        return QFileInfo(m_root.filePath(QStringLiteral("dev"))).canonicalFilePath();
    }
    QString iniPath() const { return dataFolder() + QStringLiteral("Ports.ini"); }
    int enumerations() const { return m_enumerations; }

    // The node's path as the program sees it after following links.
    QString node(const QString &kernelName) const
    {
        return QFileInfo(m_root.filePath(QStringLiteral("dev/") + kernelName)).canonicalFilePath();
    }
    QString stableName(const QString &id) const { return byIdFolder() + QLatin1Char('/') + id; }

    // Plugs a device in under a kernel name; an empty id gives it no by-id link.
    void plug(const QString &kernelName, const QString &id, const QString &description,
              const QString &serialNumber = QString())
    {
        const QString path = m_root.filePath(QStringLiteral("dev/") + kernelName);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        if (!id.isEmpty())
            QFile::link(path, stableName(id));
        m_devices.append({path, description, serialNumber});
    }

    void unplug(const QString &kernelName, const QString &id)
    {
        const QString path = m_root.filePath(QStringLiteral("dev/") + kernelName);
        m_devices.removeIf([&](const SerialDevice &d) { return d.path == path; });
        QFile::remove(path);
        if (!id.isEmpty())
            QFile::remove(stableName(id));
    }

    // Lists the devices in reverse, as a different enumeration order would.
    void reverseOrder() { std::reverse(m_devices.begin(), m_devices.end()); }

    // An existing file that is no device the enumeration knows.
    QString plainFile(const QString &name) const
    {
        const QString path = m_root.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        return QFileInfo(path).canonicalFilePath();
    }

    void writeIni(const QByteArray &content) const
    {
        QFile file(iniPath());
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(content);
    }

    QByteArray readIni() const
    {
        QFile file(iniPath());
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }

private:
    QTemporaryDir m_root;
    QList<SerialDevice> m_devices;
    mutable int m_enumerations = 0;
};
