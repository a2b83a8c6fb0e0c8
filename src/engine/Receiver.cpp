#include "engine/Receiver.h"

#include "app/LineEnd.h"
#include "app/modGlobal.h"
#include "engine/EngineContext.h"
#include "engine/NumberText.h"
#include "ports/SerialPortControl.h"
#include "engine/TerminalView.h"
#include "engine/TrafficLog.h"
#include "host/WaitMilliseconds.h"

#include <QCoreApplication>

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
        const QByteArrayView lineEnd = lineEndBytes(lineEndKind(m.settings.LineEnd));
        QElapsedTimer spent;
        spent.start();
        if (!lineEnd.isEmpty() && !takeLines(lineEnd, spent))
            return;
        const qint16 n = m.port.InBufferCount();
        if (n <= 0)
            return;
        qint16 quietWaited = -1;
        if (n < m.port.InBufferSize()) {
            if (!awaitQuiet(n, lineEnd, quietWaited))
                return;
            spent.restart();
        }
        takeBlocks(lineEnd, quietWaited, spent);
    } catch (const PortError &) {
        // A failed read ends the poll quietly; the engine looks whether the
        // device went away.
        if (m.portFailed)
            m.portFailed();
    }
}

// Waits until the count has stayed the same for one whole quiet time, read
// anew from the box at every look, or until the buffer is full. With a line
// end, every complete line is logged as it comes meanwhile. False when the
// poll ends without reading: the window closes, the quiet time is not a
// 16-bit number, or the lines took every character, their time or the log's
// room. quietWaited is the quiet time that ended the wait, -1 when the full
// buffer did.
bool Receiver::awaitQuiet(qint16 count, QByteArrayView lineEnd, qint16 &quietWaited)
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
        qint16 again = m.port.InBufferCount();
        const bool arrived = again != count;
        if (!lineEnd.isEmpty()) {
            QElapsedTimer spent;
            spent.start();
            // Lines left when the time is spent go to the next poll, so a
            // full buffer is never taken for a block past a line end.
            if (!takeLines(lineEnd, spent))
                return false;
            again = m.port.InBufferCount();
            if (again <= 0)
                return false;
        }
        if (again >= m.port.InBufferSize())
            return true;
        count = again;
        if (arrived) {
            sinceChange.restart();
        } else if (sinceChange.elapsed() >= *quiet) {
            quietWaited = *quiet;
            return true;
        }
    }
}

// Logs the block waiting, then every full block behind it (and with a line
// end the lines between) until the poll's time is spent or the log reaches
// its size limit (the next poll clears it first). A shorter rest waits for
// its own quiet time. Only the first block was stamped after the quiet wait.
void Receiver::takeBlocks(QByteArrayView lineEnd, qint16 quietWaited, const QElapsedTimer &spent)
{
    for (;;) {
        const QDateTime received = m.clock();
        const QString block = m.port.Input();
        if (block.isEmpty())
            return;
        const bool full = block.size() >= m.port.InBufferSize();
        m.log.AppendReceivedLine(block, received, textForm(), quietWaited);
        quietWaited = -1;
        if (!full || spent.elapsed() >= kPollBudgetMs || m.closing || m.log.clearDue())
            return;
        if (!lineEnd.isEmpty() && !takeLines(lineEnd, spent))
            return;
        if (m.port.InBufferCount() < m.port.InBufferSize())
            return;
    }
}

// Logs every complete line waiting, each stamped as it is read. False when
// it stopped with lines perhaps left: the poll's time is spent, the window
// closes or the log is due to be emptied.
bool Receiver::takeLines(QByteArrayView lineEnd, const QElapsedTimer &spent)
{
    for (;;) {
        if (m.closing || m.log.clearDue() || spent.elapsed() >= kPollBudgetMs)
            return false;
        const QDateTime received = m.clock();
        const QString line = m.port.inputLine(lineEnd);
        if (line.isEmpty())
            return true;
        m.log.AppendReceivedLine(line, received, textForm(), -1);
    }
}

// The line keeps the bytes; with Peculiar set the text view shows the
// control characters among them as tokens.
TrafficLog::TextForm Receiver::textForm() const
{
    return m.settings.Peculiar != 0 ? TrafficLog::TextForm::Tokens : TrafficLog::TextForm::Raw;
}
