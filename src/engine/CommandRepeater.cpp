#include "engine/CommandRepeater.h"

#include "engine/EngineContext.h"
#include "engine/NumberText.h"
#include "engine/Receiver.h"
#include "engine/TerminalView.h"
#include "engine/Transmitter.h"
#include "host/WaitMilliseconds.h"

#include <QScopedValueRollback>

void CommandRepeater::cmdBefehl_Click(int slot)
{
    m_transmitter.sendSlotText(slot, m.view.slotText(slot));
}

void CommandRepeater::DispatchFunctionKey(qint16 keyCode)
{
    const int slot = keyCode - kKeyF1 + 1;
    if (slot >= 1 && slot <= kSlotCount)
        m.view.pressSlotButton(slot);
}

bool CommandRepeater::RepeatTick()
{
    if (m.closing)
        return false;
    if (m.view.repeatCommandConfigChecked()) {
        if (!SendRepeatCommandChecked() || m.closing)
            return false;
        NextRepeatCommand();
    }
    if (m.view.repeatChecked()) {
        const QScopedValueRollback repeating(m.repetitionSending, true);
        m.view.pressSendButton();
    }
    m_receiver.PollReceiveBuffer();
    return true;
}

void CommandRepeater::SendRepeatCommand()
{
    SendRepeatCommandChecked();
}

bool CommandRepeater::SendRepeatCommandChecked()
{
    const QString text =
        (m_index >= 1 && m_index <= kSlotCount) ? m.view.slotText(m_index) : QString();
    if (text.isEmpty())
        return true;
    {
        const QScopedValueRollback repeating(m.repetitionSending, true);
        m_transmitter.sendSlotText(m_index, text);
    }
    // Read after sending, as the user may change the box meanwhile.
    const auto pause = NumberText::toInt16(m.view.waitTimeText());
    if (!pause || m.closing)
        return false;
    WaitMilliseconds(*pause);
    return true;
}

void CommandRepeater::NextRepeatCommand()
{
    ++m_index;
    if (m_index >= 9)
        m_index = 1;
    SkipEmptyCommands();
}

void CommandRepeater::SkipEmptyCommands()
{
    // Slot 8 is never examined, so the index may rest on an empty slot 8; the
    // next tick then sends nothing and wraps to the first filled slot.
    for (int k = 1; k <= 7; ++k) {
        if (m_index != k)
            continue;
        if (!m.view.slotText(k).isEmpty())
            return;
        m_index = qint16(k + 1);
    }
}
