#pragma once

#include <QMap>
#include <QString>

#include <optional>

// The COM numbers given to devices, kept in Ports.ini in the data folder:
// section PORTS, keys COM1, COM2, ... whose values are device paths, or a
// port across the network or the loopback in the URL forms of PortAddress
// (rfc2217://host:port, socket://host:port, loop://). The file may be edited
// by hand and is shared by every running instance; each change is written at
// once, and the last writer wins. It is read as UTF-8 when it is valid UTF-8,
// else as Windows-1252 (see PortsIniText).
//
// Only entries whose key is COMn with n from 1 to MaxComNumber and whose
// value is an absolute path or one of the URL forms count. Anything else in
// the file (COMx, COM0, empty or relative values, other URLs) is left alone
// and read as no entry; a COMn line that is no entry still holds its number.
class PortsIniFile {
public:
    // The settings store holds the port as a zero-based byte, so COM256 is
    // the last number the program can ever open.
    static constexpr int MaxComNumber = 256;

    explicit PortsIniFile(const QString &dataFolder);

    const QString &filePath() const { return m_filePath; }

    // The device path (or URL) of COMn, or an empty text when COMn has no
    // usable entry.
    QString entry(int comNumber) const;

    // COMn's value as the file holds it, usable or not (empty for "COMn=");
    // nothing when n is out of range or the file has no line for COMn.
    std::optional<QString> writtenEntry(int comNumber) const;

    // Every usable entry, by ascending COM number.
    QMap<int, QString> entries() const;

    // Records COMn = devicePath. False when n is out of range or the value
    // would not read back as written (an unwritable folder, for instance).
    bool setEntry(int comNumber, const QString &devicePath) const;

    static bool isUsableNumber(int comNumber);
    // An absolute path or one of the URL forms, as the file gives it back.
    static bool isUsablePath(const QString &devicePath);

private:
    QString m_filePath;
};
