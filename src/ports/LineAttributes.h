#pragma once

#include "ports/PortSettingsString.h"

#include <QtGlobal>

enum class Handshake { None = 0, XonXoff = 1, RtsCts = 2, Both = 3 };

// The handshake of a Handshaking value 0..3; any other value raises
// PortError (PortErrors::UnsupportedHandshake). Messages are in the language
// given (0 German, anything else English).
Handshake handshakeFromMode(qint32 mode, quint8 language = 1);

// Puts the open terminal device into raw mode with the given format and
// handshake, then reads the attributes back. Whatever the device did not
// take raises PortError (PortErrors::UnsupportedSetting) naming it, as in
// "the device does not support 7 data bits, even parity"; the device may be
// left half-configured, so a caller that goes on using it re-applies what it
// had before. A baud rate within 2% of the request counts as taken: drivers
// may report the rate their divisor really gives, and a UART frame tolerates
// that much.
void applyLineAttributes(int fd, const PortSettings &settings, Handshake handshake,
                         quint8 language = 1);
