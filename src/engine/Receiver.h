#pragma once

struct EngineContext;

// Received characters are fetched by polling. When characters are waiting,
// the receiver waits until the line has been quiet for the time in
// txtWaitTime, reads everything at once and logs it as one [IN] line.
class Receiver {
public:
    explicit Receiver(EngineContext &context) : m(context) {}

    // One poll: keeps the log within its size limit, lets pending events run,
    // then reads a block if characters are waiting.
    void PollReceiveBuffer();

    // Waits for the line to fall quiet, then reads and logs one block. A
    // failing port, or a quiet time outside the 16-bit range, ends it
    // silently; the characters then stay waiting.
    void ReadReceivedBlock();

private:
    EngineContext &m;
};
