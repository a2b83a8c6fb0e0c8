#include "engine/Receiver.h"

#include "app/modGlobal.h"
#include "engine/EngineContext.h"
#include "engine/NumberText.h"
#include "ports/SerialPortControl.h"
#include "engine/TerminalView.h"
#include "engine/TrafficLog.h"
#include "host/WaitMilliseconds.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>

void Receiver::PollReceiveBuffer()
{
    if (m.log.clearDue())
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
        const qint16 n = m.port.InBufferCount();
        if (n <= 0)
            return;
        qint16 quietWaited = -1;
        if (n < m.port.InBufferSize() && !awaitQuiet(n, quietWaited))
            return;
        takeBlocks(quietWaited);
    } catch (const PortError &) {
        // A failed read ends the poll quietly; the engine looks whether the
        // device went away.
        if (m.portFailed)
            m.portFailed();
    }
}

// Waits until the count has stayed the same for one whole quiet time, read
// anew from the box at every look, or until the buffer is full. False when
// the poll ends without reading: the window closes, or the quiet time is
// not a 16-bit number. quietWaited is the quiet time that ended the wait,
// -1 when the full buffer did.
bool Receiver::awaitQuiet(qint16 count, qint16 &quietWaited)
{
    QElapsedTimer sinceChange;
    sinceChange.start();
    for (;;) {
        const auto quiet = NumberText::leadingInt16(m.view.waitTimeText());
        if (!quiet)
            return false;
        const qint64 left = std::clamp<qint64>(*quiet - sinceChange.elapsed(), 0, kQuietSliceMs);
        if (left > 0 && m.quietPause)
            m.quietPause(true);
        WaitMilliseconds(qint16(left));
        if (left > 0 && m.quietPause)
            m.quietPause(false);
        if (m.closing)
            return false;
        QCoreApplication::processEvents();
        const qint16 again = m.port.InBufferCount();
        if (again >= m.port.InBufferSize())
            return true;
        if (again != count) {
            count = again;
            sinceChange.restart();
        } else if (sinceChange.elapsed() >= *quiet) {
            quietWaited = *quiet;
            return true;
        }
    }
}

// Logs the block waiting, then every full block behind it until the poll's
// time is spent or the log reaches its size limit (the next poll clears it
// first). A shorter rest waits for its own quiet time. Only the first block
// was stamped after the quiet wait.
void Receiver::takeBlocks(qint16 quietWaited)
{
    QElapsedTimer spent;
    spent.start();
    for (;;) {
        const QDateTime received = m.clock();
        const QString block = m.port.Input();
        if (block.isEmpty())
            return;
        const bool full = block.size() >= m.port.InBufferSize();
        // The line keeps the bytes; with Peculiar set the text view shows
        // the control characters among them as tokens.
        const auto form =
            m.settings.Peculiar != 0 ? TrafficLog::TextForm::Tokens : TrafficLog::TextForm::Raw;
        m.log.AppendReceivedLine(block, received, form, quietWaited);
        quietWaited = -1;
        if (!full || spent.elapsed() >= kPollBudgetMs || m.closing || m.log.clearDue() ||
            m.port.InBufferCount() < m.port.InBufferSize())
            return;
    }
}
