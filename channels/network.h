// SPDX-License-Identifier: MIT
// Ports that lead to a network address: a printer with a network interface taking its stream on
// a raw TCP port (9100 by custom), or a serial device server exposing a serial port on one.
// "tcp://HOST:PORT" stands where a device path would, in MPT_COM<n>, MPT_LPT1 or a binding.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace mpt {

struct NetworkAddress {
    std::string host;  // a name, an IPv4 address, or an IPv6 address without its brackets
    std::string port;  // digits only
};

// Whether a port leads to the network rather than to a device file.
bool isNetworkAddress(std::string_view where);

// "HOST:PORT" or "[IPV6]:PORT": the host, without brackets, and the port, 0 to 65535 in digits
// only; nothing for any other form. An IPv6 address goes in brackets, so that its colons are not
// taken for the port's, and only an IPv6 address does.
std::optional<NetworkAddress> splitHostAndPort(std::string_view text);

// "tcp://printer.local:9100", "tcp://10.0.0.7:9100", "tcp://[fe80::1]:9100"; nothing for any
// other form.
std::optional<NetworkAddress> parseNetworkAddress(std::string_view where);

// How long opening waits for a connection: 5 s, or the no-progress limit where that is shorter.
std::chrono::milliseconds connectLimit();

}  // namespace mpt
