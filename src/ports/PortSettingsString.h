#pragma once

#include <QString>
#include <QtGlobal>

enum class Parity { None, Even, Odd, Mark, Space };
enum class StopBits { One, OneAndHalf, Two };

// The line format named by a settings string such as '9600,N,8,1'.
struct PortSettings {
    qint32 baud = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    bool operator==(const PortSettings &other) const
    {
        return baud == other.baud && parity == other.parity && dataBits == other.dataBits &&
               stopBits == other.stopBits;
    }
};

// Reads 'baud,parity,data bits,stop bits': a baud rate from 50 to 4000000, a
// parity letter N, E, O, M (mark) or S (space) in either case, 5 to 8 data
// bits and 1, 1.5 or 2 stop bits (1.5 only with 5 data bits, the one format
// a UART sends it with). Blanks (spaces, tabs) around a field are allowed,
// and leading zeros in the baud rate. Anything else
// raises PortError (PortErrors::InvalidSettings) naming what is wrong, in the
// language given (0 German, anything else English).
PortSettings parsePortSettings(const QString &text, quint8 language = 1);

// Names used in the messages about values a device refused.
QString parityName(Parity parity, quint8 language = 1);   // "even parity"
QString stopBitsName(StopBits stop, quint8 language = 1); // "1.5 stop bits"
