// SPDX-License-Identifier: MIT
#include "channels/network.h"

#include <algorithm>

#include "channels/devices.h"

namespace mpt {

namespace {

constexpr std::string_view kScheme = "tcp://";

}  // namespace

bool isNetworkAddress(std::string_view where) {
    return where.substr(0, kScheme.size()) == kScheme;
}

std::optional<NetworkAddress> splitHostAndPort(std::string_view text) {
    NetworkAddress address;
    std::string_view port;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos || close + 1 >= text.size() || text[close + 1] != ':') {
            return std::nullopt;
        }
        address.host = text.substr(1, close - 1);
        port = text.substr(close + 2);
        if (address.host.find(':') == std::string::npos) {
            return std::nullopt;  // brackets are for an IPv6 address
        }
    } else {
        const std::size_t colon = text.rfind(':');
        if (colon == std::string_view::npos) {
            return std::nullopt;
        }
        address.host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (address.host.find(':') != std::string::npos) {
            return std::nullopt;  // an IPv6 address goes in brackets
        }
    }
    const bool digits =
        !port.empty() && port.size() <= 5 &&
        std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (address.host.empty() || !digits || std::stoi(std::string(port)) > 65535) {
        return std::nullopt;
    }
    address.port = std::string(port);
    return address;
}

std::optional<NetworkAddress> parseNetworkAddress(std::string_view where) {
    if (!isNetworkAddress(where)) {
        return std::nullopt;
    }
    std::optional<NetworkAddress> address = splitHostAndPort(where.substr(kScheme.size()));
    if (!address || std::stoi(address->port) < 1) {
        return std::nullopt;
    }
    // Nothing but a host name or an address goes to the name resolver: no user before an "@",
    // no query, no blank or control character. A name is letters, digits, "-", "_" and dots; an
    // IPv6 address hex digits, colons and dots, with a zone after "%".
    const bool ipv6 = address->host.find(':') != std::string::npos;
    const auto allowed = [ipv6](char c) {
        const bool alnum =
            (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        return alnum || c == '.' || c == '-' || (ipv6 ? c == ':' || c == '%' : c == '_');
    };
    if (!std::all_of(address->host.begin(), address->host.end(), allowed)) {
        return std::nullopt;
    }
    return address;
}

std::chrono::milliseconds connectLimit() {
    return std::min<std::chrono::milliseconds>(std::chrono::seconds(5), noProgressLimit());
}

}  // namespace mpt
