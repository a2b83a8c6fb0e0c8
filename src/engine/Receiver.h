#pragma once

#include "engine/TrafficLog.h"

#include <QByteArrayView>
#include <QElapsedTimer>
#include <QtGlobal>

struct EngineContext;

// Received characters are fetched by polling. When characters are waiting,
// the receiver waits until the line has been quiet for the time in
// txtWaitTime, reads everything at once and logs it as one [IN] line.
//
// A block that fills the receive buffer (InBufferSize characters) is complete
// as it stands: its count can change no more, so it is logged at once without
// waiting for the line to fall quiet, and a poll takes every full block
// waiting, each as its own line, for up to kPollBudgetMs before it lets the
// window's events run; the next poll goes on. A continuous stream is thus
// logged as fast as it arrives, at any quiet time. Every shorter block still
// ends only once one whole quiet time has passed without a new character.
// The quiet time counts from the last change of the count, which is read
// every kQuietSliceMs: pauses between one and two quiet times end blocks.
//
// With a line end chosen (LineEnd), every complete line waiting becomes its
// own line at once, line end included, stamped as it is read; a line end
// split across two reads (CR, then LF) is one. Only what follows the last
// line end waits for the quiet time or a full buffer, so a prompt without a
// line end is still shown. A full buffer without a line end ends a block as
// before.
class Receiver {
public:
    // How long one poll goes on taking full blocks: keys and paints wait no
    // longer than this (and a frame) while a fast stream is logged.
    static constexpr int kPollBudgetMs = 20;
    // How often the count is looked at while the line falls quiet: a block
    // that fills the buffer meanwhile ends within this time, and a quiet time
    // counts from the last character seen to this precision.
    static constexpr int kQuietSliceMs = 10;

    explicit Receiver(EngineContext &context) : m(context) {}

    // One poll: keeps the log within its size limit, lets pending events run,
    // then reads a block if characters are waiting.
    void PollReceiveBuffer();

    // Reads and logs one block once the line has fallen quiet (a full one at
    // once), then every full block behind it. A failing port, or a quiet
    // time outside the 16-bit range, ends it silently; the characters then
    // stay waiting.
    void ReadReceivedBlock();

private:
    bool awaitQuiet(qint16 count, QByteArrayView lineEnd, qint16 &quietWaited);
    void takeBlocks(QByteArrayView lineEnd, qint16 quietWaited, const QElapsedTimer &spent);
    bool takeLines(QByteArrayView lineEnd, const QElapsedTimer &spent);
    TrafficLog::TextForm textForm() const;

    EngineContext &m;
};
