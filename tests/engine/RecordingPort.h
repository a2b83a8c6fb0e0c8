#pragma once

#include "ports/SerialPortControl.h"

#include <QElapsedTimer>
#include <QStringList>

#include <cerrno>
#include <functional>

// A serial port control that records every member call, in order, and can be
// told to fail at one of them. Received characters are fed by the test.
class RecordingPort : public SerialPortControl {
public:
    QStringList calls;          // "CommPort=1", "Output=A", ...
    QString failAt;             // member name whose next call raises
    bool open = false;
    QString waiting;            // characters the device has sent
    qint16 bufferSize = 2048;   // InBufferSize
    std::function<void()> whileClosing;
    bool rts = false;
    QList<qint64> outputTimes;  // ms since creation, one per Output call
    QElapsedTimer clock;
    bool announcesArrival = false; // tells of arrivals, so an idle engine stops polling
    std::function<void()> arrival;  // the engine's arrival handler
    bool gone = false;              // the device went away; opening again brings it back
    QString path;                   // where the device lives
    bool back = false;              // the device found at path is the one opened last
    QString awaitable;              // what a failed opening names to wait for

    RecordingPort() { clock.start(); }

    bool PortOpen() override
    {
        record(QStringLiteral("PortOpen?"));
        return open;
    }
    void setPortOpen(bool value) override
    {
        record(QStringLiteral("PortOpen=") + flag(value));
        if (!value && whileClosing)
            whileClosing(); // events that run while the output drains
        open = value;
        if (open)
            gone = false;
    }
    void setCommPort(qint16 n) override { record(QStringLiteral("CommPort=%1").arg(n)); }
    void setSettings(const QString &s) override { record(QStringLiteral("Settings=") + s); }
    void setInBufferSize(qint16 n) override
    {
        record(QStringLiteral("InBufferSize=%1").arg(n));
        bufferSize = n;
    }
    qint16 InBufferSize() const override { return bufferSize; }
    void setInputLen(qint16 n) override { record(QStringLiteral("InputLen=%1").arg(n)); }
    void setRThreshold(qint16 n) override { record(QStringLiteral("RThreshold=%1").arg(n)); }
    void setSThreshold(qint16 n) override { record(QStringLiteral("SThreshold=%1").arg(n)); }
    void setEOFEnable(bool b) override { record(QStringLiteral("EOFEnable=") + flag(b)); }
    void setHandshaking(qint32 n) override { record(QStringLiteral("Handshaking=%1").arg(n)); }
    void setDTREnable(bool b) override { record(QStringLiteral("DTREnable=") + flag(b)); }
    void setRTSEnable(bool b) override
    {
        record(QStringLiteral("RTSEnable=") + flag(b));
        rts = b;
    }
    void setOutput(const QString &chars) override
    {
        record(QStringLiteral("Output=") + chars);
        if (!open)
            throw PortError(8018, QStringLiteral("port is not open"));
        if (gone)
            throw PortError(EIO, QStringLiteral("the device has gone away"));
        outputTimes.append(clock.elapsed());
    }
    qint16 InBufferCount() override
    {
        record(QStringLiteral("InBufferCount"), false);
        if (gone && waiting.isEmpty())
            throw PortError(EIO, QStringLiteral("the device has gone away"));
        return qint16(qMin<qsizetype>(waiting.size(), bufferSize));
    }
    QString Input() override
    {
        record(QStringLiteral("Input"), false);
        const QString block = waiting.left(bufferSize);
        waiting.remove(0, block.size());
        return block;
    }
    QString inputLine(QByteArrayView lineEnd) override
    {
        const qsizetype end = waiting.left(bufferSize).indexOf(QLatin1String(lineEnd));
        const QString line = waiting.left(end < 0 ? 0 : end + lineEnd.size());
        waiting.remove(0, line.size());
        return line;
    }

    bool signalsArrival() const override { return announcesArrival; }
    void setArrivalHandler(std::function<void()> handler) override { arrival = std::move(handler); }
    void setArrivalWatch(bool on) override
    {
        watching = on;
        if (onWatch)
            onWatch(on);
    }
    bool watching = true;              // the arrival watch
    std::function<void(bool)> onWatch; // called when the engine switches it
    bool deviceGone() const override { return open && gone; }
    QString devicePath() const override { return path; }
    QString goneReason() const override
    {
        return deviceGone() ? QStringLiteral("the device has gone away") : QString();
    }
    bool sameDeviceBack() override
    {
        ++backChecks;
        return !open && back;
    }
    int backChecks = 0;
    QString awaitablePath() const override { return open ? QString() : awaitable; }

    QStringList callsWithout(const QString &prefix) const
    {
        QStringList out;
        for (const QString &c : calls)
            if (!c.startsWith(prefix))
                out.append(c);
        return out;
    }

private:
    static QString flag(bool b) { return b ? QStringLiteral("true") : QStringLiteral("false"); }
    void record(const QString &call, bool keep = true)
    {
        const QString name = call.section(u'=', 0, 0).remove(u'?');
        if (keep)
            calls.append(call);
        if (!failAt.isEmpty() && name == failAt) {
            failAt.clear();
            throw PortError(4242, QStringLiteral("refused %1").arg(name));
        }
    }
};
