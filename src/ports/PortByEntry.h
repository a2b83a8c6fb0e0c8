#pragma once

#include "ports/LoopPort.h"
#include "ports/NetworkPort.h"
#include "ports/TermiosPort.h"

// The program's serial port control: what COMn opens is chosen by its
// Ports.ini entry when the port opens. A device path opens the terminal
// device (TermiosPort), rfc2217://host:port and socket://host:port a port
// across the network (NetworkPort), loop:// the loopback inside the program
// (LoopPort); each keeps the promises of its own header.
//
// Every member written is handed to the port in use; while the port is
// closed the values are also kept, and an opening that chooses another kind
// of port hands them all over first. A value the port in use refuses is not
// kept. Everything else goes to the port in use, the terminal device until
// the first opening.
class PortByEntry : public SerialPortControl {
public:
    explicit PortByEntry(PortPathResolver resolver, LanguageSource language = {});

    bool PortOpen() override { return m_current->PortOpen(); }
    void setPortOpen(bool open) override;
    void setCommPort(qint16 n) override;
    void setSettings(const QString &settings) override;
    void setInBufferSize(qint16 size) override;
    void setInputLen(qint16 len) override;
    void setRThreshold(qint16 threshold) override { m_current->setRThreshold(threshold); }
    void setSThreshold(qint16 threshold) override { m_current->setSThreshold(threshold); }
    void setEOFEnable(bool enable) override { m_current->setEOFEnable(enable); }
    void setHandshaking(qint32 mode) override;
    void setDTREnable(bool enable) override;
    void setRTSEnable(bool enable) override;
    void setOutput(const QString &chars) override { m_current->setOutput(chars); }
    qsizetype writeSome(QByteArrayView bytes) override { return m_current->writeSome(bytes); }
    bool awaitRoom(std::function<void()> handler) override
    {
        return m_current->awaitRoom(std::move(handler));
    }
    qint16 InBufferSize() const override { return m_current->InBufferSize(); }
    qint16 InBufferCount() override { return m_current->InBufferCount(); }
    QString Input() override { return m_current->Input(); }
    QString inputLine(QByteArrayView lineEnd) override { return m_current->inputLine(lineEnd); }
    bool signalsArrival() const override { return true; }
    void setArrivalHandler(std::function<void()> handler) override;
    void setReceiveTap(std::function<void(QByteArrayView bytes)> tap) override;
    void setArrivalWatch(bool on) override;
    bool deviceGone() const override { return m_current->deviceGone(); }
    QString devicePath() const override { return m_current->devicePath(); }
    bool sameDeviceBack() override { return m_current->sameDeviceBack(); }
    QString givenUpReason() const override { return m_current->givenUpReason(); }
    QString awaitablePath() const override { return m_current->awaitablePath(); }
    // True when COMn's entry names a port across the network.
    bool mayWaitToOpen(qint16 comNumber) override;
    void setWaitHandler(std::function<void(const QString &)> handler) override;
    void setHoldHandler(std::function<void(const QString &)> handler) override;
    bool canSendBreak() override { return m_current->canSendBreak(); }
    void setBreak(bool on) override { m_current->setBreak(on); }
    ModemLines modemLines() override { return m_current->modemLines(); }
    bool modemLinesPolled() override { return m_current->modemLinesPolled(); }
    void setModemLineHandler(std::function<void()> handler) override;

    // The port in use: the last one opened.
    SerialPortControl &current() { return *m_current; }
    // The port across the network, for its time limits.
    NetworkPort &networkPort() { return m_network; }

private:
    SerialPortControl &portFor(const PortPath &where);
    void handOver(SerialPortControl &next);

    PortPathResolver m_resolver;
    TermiosPort m_device;
    NetworkPort m_network;
    LoopPort m_loop;
    SerialPortControl *m_current;

    // What was written, for the next port.
    qint16 m_comPort = 1;
    QString m_settings = QStringLiteral("9600,N,8,1");
    qint16 m_inBufferSize = 1024;
    qint16 m_inputLen = 0;
    qint32 m_handshake = 0;
    bool m_dtr = true;
    bool m_rts = false;
};
