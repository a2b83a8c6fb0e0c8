#pragma once

#include <QtGlobal>

// Numbers carried by the PortError of the ports where the system gives no
// errno. Where a system call failed, the error carries its errno instead
// (EBUSY for a port held by someone else, EIO or ENXIO for a device that went
// away during a read, ENOENT for a missing device file, ECONNREFUSED,
// EHOSTUNREACH or ETIMEDOUT for a port across the network...).
namespace PortErrors {

constexpr qint32 NotOpen = 10001;              // "port is not open"
constexpr qint32 AlreadyOpen = 10002;          // the port number cannot change while open
constexpr qint32 InvalidSettings = 10003;      // malformed settings string
constexpr qint32 UnsupportedSetting = 10004;   // the device did not take a value
constexpr qint32 UnsupportedHandshake = 10005; // handshake mode outside 0..3
constexpr qint32 DeviceGone = 10006;           // hang-up without an errno
constexpr qint32 WriteTimeout = 10007;         // flow control held the line too long
constexpr qint32 CharacterWithoutByte = 10008; // a character the codec cannot send
constexpr qint32 NoDevice = 10009;             // the resolver knows no device
constexpr qint32 InvalidPortNumber = 10010;    // COM number below 1
constexpr qint32 InvalidValue = 10011;         // buffer size or input length out of range
constexpr qint32 NameNotFound = 10012;         // the host name of a network port is unknown
constexpr qint32 NoSerialControl = 10013;      // the server refused RFC 2217's COM port option
constexpr qint32 ServerMisbehaves = 10014;     // the server kept sending while taking nothing

} // namespace PortErrors
