// SPDX-License-Identifier: MIT
// The steps every test routine is built from, beyond its own writes: converting the text of the
// count and port boxes to numbers, and opening the serial port.
#pragma once

#include <cstdint>
#include <string_view>

#include "channels/mscomm.h"

namespace mpt {

// The repeat count typed into `txt1`. Accepted: blanks, an optional sign, decimal digits with an
// optional fraction, an optional exponent, blanks ("10", " 2.5 ", "-2", "1e2"). Anything else is
// "Type mismatch"; a number too large for a double is "Overflow". A repetition loop runs for
// counter = 1, 2, … while the counter does not exceed the count, so "2.5" runs two repetitions
// and anything below 1 runs none.
double toCount(std::string_view text);

// The serial port number typed into `port`: converted as the count, then rounded to the nearest
// whole number, a half to the even one. Outside -32768..32767 it is "Overflow".
std::int16_t toPortNumber(std::string_view text);

// The serial opening sequence, always in this order and with nothing between the steps: CommPort,
// PortOpen true, Settings "9600,n,8,1", Handshaking 2 (RTS/CTS).
void openSerialPort(MSComm& comm, std::int16_t port);

}  // namespace mpt
