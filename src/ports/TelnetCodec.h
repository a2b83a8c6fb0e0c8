#pragma once

#include <QByteArray>
#include <QList>

#include <array>

// The Telnet layer of an RFC 2217 connection, on the client's side.
//
// Data travels in binary mode, with the byte 255 (IAC) doubled in both
// directions. The client asks for binary transmission both ways, for the
// COM Port Control option (44) on its side and for suppressed go-aheads; it
// agrees to binary, suppressed go-aheads and echo from the server and refuses
// every other option. Option negotiation follows the rules that keep two
// ends from answering each other for ever (RFC 1143): an end answers only a
// request that changes the option's state, and a request for an option it
// refused is answered once, never again, however often it comes.
//
// Subnegotiations of the COM Port Control option are handed over without
// IAC, SB, the option code and IAC SE; other subnegotiations (option 255's
// too, its code written IAC IAC) are dropped whole,
// and so is anything beyond kMostSubnegotiation bytes of one. An IAC
// followed by anything but IAC or SE inside a subnegotiation breaks it off
// (it is dropped) and is taken as the command it starts; no byte of a
// command is ever data.
//
// The answers to a call of decode are never longer than the bytes it was
// given plus two (the start of a command split from the call before).
class TelnetCodec {
public:
    static constexpr unsigned char kIac = 255;
    static constexpr unsigned char kComPortOption = 44;
    static constexpr int kMostSubnegotiation = 256;

    enum class Agreement { Pending, Yes, No };

    struct Decoded {
        QByteArray data;                // the bytes of the serial line
        QByteArray reply;               // negotiation answers to send back
        QList<QByteArray> comPort;      // COM Port Control subnegotiations
    };

    // What the client sends first: its requests, for the options the server
    // has not offered already.
    QByteArray greeting();
    // Takes bytes as they come from the server; a command may be split
    // across calls.
    void decode(const char *bytes, qsizetype size, Decoded &out);
    // Whether the server agreed to the COM Port Control option.
    Agreement comPortControl() const;

    // Data for the server, with IAC doubled.
    static QByteArray escape(const QByteArray &data);
    // IAC SB 44 command value IAC SE, with IAC doubled inside.
    static QByteArray comPortCommand(unsigned char command, const QByteArray &value);

private:
    enum class State { Data, Iac, Verb, Sb, SbOptionIac, SbData, SbIac };
    enum class Side { No, WantYes, Yes };

    void startSubnegotiation(unsigned char option);
    void takeCommand(unsigned char byte);
    void negotiate(unsigned char verb, unsigned char option, QByteArray &reply);
    void endSubnegotiation(Decoded &out);

    State m_state = State::Data;
    unsigned char m_verb = 0;
    unsigned char m_sbOption = 0;
    QByteArray m_sb;
    bool m_sbOverlong = false;
    std::array<Side, 256> m_us{};  // options this end performs
    std::array<Side, 256> m_him{}; // options the server performs
    std::array<bool, 256> m_usRefused{};  // requests to perform an option, refused once
    std::array<bool, 256> m_himRefused{}; // offers of the server, refused once
};
