#include "ports/TelnetCodec.h"

namespace {

constexpr unsigned char kSe = 240;
constexpr unsigned char kSb = 250;
constexpr unsigned char kWill = 251;
constexpr unsigned char kWont = 252;
constexpr unsigned char kDo = 253;
constexpr unsigned char kDont = 254;
constexpr unsigned char kIac = TelnetCodec::kIac;

constexpr unsigned char kBinary = 0;
constexpr unsigned char kEcho = 1;
constexpr unsigned char kSuppressGoAhead = 3;

bool weMayPerform(unsigned char option)
{
    return option == kBinary || option == kSuppressGoAhead ||
           option == TelnetCodec::kComPortOption;
}

bool serverMayPerform(unsigned char option)
{
    return option == kBinary || option == kSuppressGoAhead || option == kEcho;
}

void command(QByteArray &to, unsigned char verb, unsigned char option)
{
    to.append(char(kIac));
    to.append(char(verb));
    to.append(char(option));
}

} // namespace

QByteArray TelnetCodec::greeting()
{
    // Only what the server has not offered already.
    QByteArray out;
    for (const unsigned char option : {kBinary, kComPortOption}) {
        if (m_us[option] == Side::No) {
            m_us[option] = Side::WantYes;
            command(out, kWill, option);
        }
    }
    for (const unsigned char option : {kBinary, kSuppressGoAhead}) {
        if (m_him[option] == Side::No) {
            m_him[option] = Side::WantYes;
            command(out, kDo, option);
        }
    }
    return out;
}

TelnetCodec::Agreement TelnetCodec::comPortControl() const
{
    switch (m_us[kComPortOption]) {
    case Side::Yes:
        return Agreement::Yes;
    case Side::No:
        return Agreement::No;
    case Side::WantYes:
        break;
    }
    return Agreement::Pending;
}

void TelnetCodec::decode(const char *bytes, qsizetype size, Decoded &out)
{
    for (qsizetype i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        switch (m_state) {
        case State::Data:
            if (byte == kIac)
                m_state = State::Iac;
            else
                out.data.append(char(byte));
            break;
        case State::Iac:
            if (byte == kIac) {
                out.data.append(char(kIac));
                m_state = State::Data;
            } else {
                takeCommand(byte);
            }
            break;
        case State::Verb:
            negotiate(m_verb, byte, out.reply);
            m_state = State::Data;
            break;
        case State::Sb:
            if (byte == kIac)
                m_state = State::SbOptionIac;
            else
                startSubnegotiation(byte);
            break;
        case State::SbOptionIac:
            // Option 255 is written IAC IAC like the data byte 255; any other
            // command leaves the subnegotiation without its option, and the
            // command counts.
            if (byte == kIac)
                startSubnegotiation(kIac);
            else
                takeCommand(byte);
            break;
        case State::SbData:
            if (byte == kIac)
                m_state = State::SbIac;
            else if (m_sb.size() < kMostSubnegotiation)
                m_sb.append(char(byte));
            else
                m_sbOverlong = true;
            break;
        case State::SbIac:
            if (byte == kIac) {
                if (m_sb.size() < kMostSubnegotiation)
                    m_sb.append(char(kIac));
                else
                    m_sbOverlong = true;
                m_state = State::SbData;
            } else if (byte == kSe) {
                endSubnegotiation(out);
                m_state = State::Data;
            } else {
                // Any other command breaks the subnegotiation off: what was
                // gathered is dropped, and the command is taken as it comes,
                // so none of its bytes can pass for data.
                m_sb.clear();
                takeCommand(byte);
            }
            break;
        }
    }
}

void TelnetCodec::startSubnegotiation(unsigned char option)
{
    m_sbOption = option;
    m_sb.clear();
    m_sbOverlong = false;
    m_state = State::SbData;
}

// The byte after an IAC that is not a second IAC.
void TelnetCodec::takeCommand(unsigned char byte)
{
    if (byte >= kWill && byte <= kDont) {
        m_verb = byte;
        m_state = State::Verb;
    } else if (byte == kSb) {
        m_state = State::Sb;
    } else {
        m_state = State::Data; // NOP, go-ahead, break...: nothing for a terminal
    }
}

void TelnetCodec::endSubnegotiation(Decoded &out)
{
    if (m_sbOption == kComPortOption && !m_sbOverlong && !m_sb.isEmpty())
        out.comPort.append(m_sb);
    m_sb.clear();
}

void TelnetCodec::negotiate(unsigned char verb, unsigned char option, QByteArray &reply)
{
    const bool aboutUs = verb == kDo || verb == kDont;
    Side &side = aboutUs ? m_us[option] : m_him[option];
    const bool enable = verb == kDo || verb == kWill;
    if (enable) {
        if (side == Side::Yes)
            return;
        if (side == Side::WantYes) { // the answer to our request
            side = Side::Yes;
            return;
        }
        const bool agree = aboutUs ? weMayPerform(option) : serverMayPerform(option);
        if (agree) {
            side = Side::Yes;
        } else {
            // Refused once, a request for the option is not answered again: a
            // server repeating it (in a loop, or a flood) gets nothing back.
            bool &refused = aboutUs ? m_usRefused[option] : m_himRefused[option];
            if (refused)
                return;
            refused = true;
        }
        command(reply, aboutUs ? (agree ? kWill : kWont) : (agree ? kDo : kDont), option);
        return;
    }
    if (side == Side::No)
        return;
    const bool wasOn = side == Side::Yes;
    side = Side::No;
    if (wasOn) // an option in force is switched off: confirm it
        command(reply, aboutUs ? kWont : kDont, option);
}

QByteArray TelnetCodec::escape(const QByteArray &data)
{
    if (!data.contains(char(kIac)))
        return data;
    QByteArray out;
    out.reserve(data.size() + data.count(char(kIac)));
    for (const char byte : data) {
        out.append(byte);
        if (static_cast<unsigned char>(byte) == kIac)
            out.append(byte);
    }
    return out;
}

QByteArray TelnetCodec::comPortCommand(unsigned char command, const QByteArray &value)
{
    QByteArray out;
    out.append(char(kIac));
    out.append(char(kSb));
    out.append(char(kComPortOption));
    out.append(escape(QByteArray(1, char(command)) + value));
    out.append(char(kIac));
    out.append(char(kSe));
    return out;
}
