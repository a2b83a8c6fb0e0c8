#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>

// Checks that device protocols append to a telegram, computed over all its
// bytes. Each gives the bytes in the order they are sent.
enum class Checksum {
    Crc16Modbus,     // poly 0xA001 reflected (0x8005), init 0xFFFF; low byte first
    Crc16CcittFalse, // poly 0x1021, init 0xFFFF; high byte first
    Crc16Xmodem,     // poly 0x1021, init 0; high byte first
    Crc8,            // poly 0x07, init 0
    Lrc,             // the two's complement of the 8-bit sum
    Sum8,            // the sum modulo 256
    Xor8,            // the XOR of all bytes
};

constexpr std::array<Checksum, 7> kChecksums = {
    Checksum::Crc16Modbus, Checksum::Crc16CcittFalse,
    Checksum::Crc16Xmodem, Checksum::Crc8,
    Checksum::Lrc,         Checksum::Sum8,
    Checksum::Xor8,
};

// The check of data as the bytes to append, in their order.
QByteArray checksumBytes(Checksum kind, QByteArrayView data);

// How many bytes the check takes: 2 for the CRC-16s, else 1.
qsizetype checksumSize(Checksum kind);

// The algorithm's name, the same in every language: "CRC-16/MODBUS".
QString checksumName(Checksum kind);

// Bytes as one hex token: "<0xC4 0B>"; empty for no bytes.
QString hexToken(QByteArrayView bytes);
// Bytes as hex pairs with a blank between: "C4 0B".
QString hexBytes(QByteArrayView bytes);
