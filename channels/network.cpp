// SPDX-License-Identifier: MIT
#include "channels/network.h"

#include <algorithm>
#include <charconv>

#include "channels/devices.h"

namespace mpt {

namespace {

constexpr std::string_view kScheme = "tcp://";

}  // namespace

bool isNetworkAddress(std::string_view where) {
    return where.substr(0, kScheme.size()) == kScheme;
}

std::optional<NetworkAddress> parseNetworkAddress(std::string_view where) {
    if (!isNetworkAddress(where)) {
        return std::nullopt;
    }
    std::string_view rest = where.substr(kScheme.size());
    NetworkAddress address;
    std::string_view port;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos || close + 1 >= rest.size() || rest[close + 1] != ':') {
            return std::nullopt;
        }
        address.host = rest.substr(1, close - 1);
        port = rest.substr(close + 2);
    } else {
        const std::size_t colon = rest.rfind(':');
        if (colon == std::string_view::npos) {
            return std::nullopt;
        }
        address.host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
        if (address.host.find(':') != std::string::npos) {
            return std::nullopt;  // an IPv6 address goes in brackets
        }
    }
    const auto isBlankOrSlash = [](char c) { return c == ' ' || c == '/' || c == '\t'; };
    int number = 0;
    const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), number);
    if (address.host.empty() ||
        std::any_of(address.host.begin(), address.host.end(), isBlankOrSlash) ||
        ec != std::errc() || end != port.data() + port.size() || port.empty() ||
        port.front() == '+' || number < 1 || number > 65535) {
        return std::nullopt;
    }
    address.port = std::string(port);
    return address;
}

std::chrono::milliseconds connectLimit() {
    return std::min<std::chrono::milliseconds>(std::chrono::seconds(5), noProgressLimit());
}

}  // namespace mpt
