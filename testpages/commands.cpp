// SPDX-License-Identifier: MIT
#include "testpages/commands.h"

namespace mpt::cmd {

namespace {
std::string bytes(std::initializer_list<std::uint8_t> values) {
    std::string out;
    for (const std::uint8_t v : values) {
        out.push_back(static_cast<char>(v));
    }
    return out;
}
}  // namespace

std::string selectPrintMode(std::uint8_t n) {
    return bytes({ESC, '!', n});
}
std::string underline(std::uint8_t n) {
    return bytes({ESC, 0x2D, n});
}
std::string printColour(std::uint8_t n) {
    return bytes({ESC, 'r', n});
}
std::string partialCut() {
    return bytes({ESC, 0x6D});
}
std::string drawerPulse(std::uint8_t m, std::uint8_t t1, std::uint8_t t2) {
    return bytes({ESC, 'p', m, t1, t2});
}
std::string printStoredLogo(std::uint8_t n, std::uint8_t m) {
    return bytes({FS, 0x70, n, m});
}
std::string barCodeHeight(std::uint8_t n) {
    return bytes({GS, 0x68, n});
}
std::string barCodeModuleWidth(std::uint8_t n) {
    return bytes({GS, 0x77, n});
}
std::string barCodeTextPosition(std::uint8_t n) {
    return bytes({GS, 0x48, n});
}
std::string printBarCode(std::uint8_t m, std::uint8_t n) {
    return bytes({GS, 0x6B, m, n});
}

std::string enlarged() {
    return ctl(SO);
}
std::string lineAttribute() {
    return ctl(DC3);
}
std::string cbmCut() {
    return bytes({ESC, 0x50, NUL});
}

std::string pageBracket(std::uint8_t n) {
    return bytes({SYN, n});
}

}  // namespace mpt::cmd
