#pragma once

#include <QtGlobal>

struct EngineContext;
class Transmitter;
class Receiver;

// The eight command slots and their repetition. Each repetition tick may send
// the next non-empty slot (then pause for txtWaitTime) and press the send
// button, and always ends with a receive poll.
class CommandRepeater {
public:
    CommandRepeater(EngineContext &context, Transmitter &transmitter, Receiver &receiver)
        : m(context), m_transmitter(transmitter), m_receiver(receiver)
    {
    }

    static constexpr int kSlotCount = 8;
    static constexpr qint16 kKeyF1 = 112; // key code of F1; F8 is 119

    // A slot button: its text goes out unchanged, without prefix or suffix.
    void cmdBefehl_Click(int slot);

    // F1 to F8 press the slot buttons; every other key does nothing.
    void DispatchFunctionKey(qint16 keyCode);

    // One repetition tick. Answers false when the tick failed (a pause that is
    // not a 16-bit number): the repetition timer is then not enabled again.
    bool RepeatTick();

    void SendRepeatCommand();
    void NextRepeatCommand();
    void SkipEmptyCommands();

    qint16 RepeatCommandIndex() const { return m_index; }

private:
    bool SendRepeatCommandChecked();

    EngineContext &m;
    Transmitter &m_transmitter;
    Receiver &m_receiver;
    qint16 m_index = 0; // the slot the repetition sends next; 0 at start
};
