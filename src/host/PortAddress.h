#pragma once

#include <QString>

#include <optional>

// A Ports.ini entry that names a port across the network or inside the
// program instead of a device, in the URL forms serial users know:
//
//   rfc2217://host:port   a serial port served with RFC 2217 (Telnet COM Port
//                         Control): bytes and the serial settings
//   socket://host:port    a plain TCP connection: bytes only
//   loop://               a loopback inside the program
//
// The scheme is written in lower case. host is a name (letters, digits, '-',
// '_' and dots between non-empty labels, at most 253 characters), an IPv4
// address, or an IPv6 address in brackets, which may name its network
// interface after a '%' (a link-local one must: [fe80::1%eth0]); port is a
// number from 1 to 65535 without leading zeros. Nothing else belongs to an
// entry: no user, path, options or blanks.
struct PortAddress {
    enum class Kind { Rfc2217, Socket, Loop };

    Kind kind = Kind::Loop;
    QString host; // an IPv6 address without its brackets (with its %interface); empty for loop://
    quint16 port = 0;

    // The address an entry names, or nothing when it is not one of the forms.
    static std::optional<PortAddress> parse(const QString &entry);

    // Why an entry that begins with rfc2217:// or socket:// names no address,
    // with the part that is wrong as written; Fault::None for an address and
    // for an entry of any other beginning.
    enum class Fault { None, NoHost, NotHost, HostTooLong, NoPort, PortNotNumber, PortOutOfRange };
    struct Problem {
        Fault fault = Fault::None;
        QString part;
    };
    static Problem problemOf(const QString &entry);

    // How messages name the other end: 'host:port', '[::1]:7000'; empty for
    // the loopback.
    QString hostAndPort() const;
};
