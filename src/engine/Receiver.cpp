#include "engine/Receiver.h"

#include "app/modGlobal.h"
#include "engine/EngineContext.h"
#include "engine/NumberText.h"
#include "ports/SerialPortControl.h"
#include "engine/TerminalView.h"
#include "engine/TrafficLog.h"
#include "host/WaitMilliseconds.h"

#include <QCoreApplication>

void Receiver::PollReceiveBuffer()
{
    if (m.log.selectedIndex() > TrafficLog::kClearAboveIndex)
        m.log.clear();
    QCoreApplication::processEvents();
    ReadReceivedBlock();
}

void Receiver::ReadReceivedBlock()
{
    try {
        // A closed port has nothing waiting; asking it would only raise.
        if (!m.port.PortOpen())
            return;
        qint16 n = m.port.InBufferCount();
        if (n <= 0)
            return;
        for (;;) {
            const auto quiet = NumberText::leadingInt16(m.view.waitTimeText());
            if (!quiet)
                return;
            WaitMilliseconds(*quiet);
            if (m.closing)
                return;
            QCoreApplication::processEvents();
            const qint16 again = m.port.InBufferCount();
            if (again == n)
                break;
            n = m.port.InBufferCount();
        }
        const QDateTime received = m.clock();
        const QString block = m.port.Input();
        if (block.isEmpty())
            return;
        // The line keeps the bytes; with Peculiar set the text view shows
        // the control characters among them as tokens.
        const auto form =
            m.settings.Peculiar != 0 ? TrafficLog::TextForm::Tokens : TrafficLog::TextForm::Raw;
        m.log.AppendTrafficLine(TrafficLog::Direction::Received, block, received, form);
    } catch (const PortError &) {
        // A failed read ends the poll quietly; the engine looks whether the
        // device went away.
        if (m.portFailed)
            m.portFailed();
    }
}
