// SPDX-License-Identifier: MIT
#include "testpages/skeleton.h"

#include <locale.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

#include "channels/errors.h"

namespace mpt {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Which box a number comes from: its errors say so.
enum class Box { Count, Port };

// Checks the accepted form and returns the number, or raises. The form is checked here rather
// than left to strtod, which would also take hex, "inf", "nan" and leading tabs.
double toNumber(std::string_view text, Box box) {
    const auto mismatch = [&] {
        return makeError(err::kTypeMismatch, {.fault = box == Box::Count ? Fault::CountNotANumber
                                                                         : Fault::PortNotANumber,
                                              .seen = std::string(text)});
    };
    size_t i = 0;
    const size_t n = text.size();
    const auto digits = [&] {
        const size_t start = i;
        while (i < n && isDigit(text[i])) {
            ++i;
        }
        return i - start;
    };
    while (i < n && text[i] == ' ') {
        ++i;
    }
    const size_t start = i;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    size_t mantissaDigits = digits();
    if (i < n && text[i] == '.') {
        ++i;
        mantissaDigits += digits();
    }
    if (mantissaDigits == 0) {
        throw mismatch();
    }
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        if (digits() == 0) {
            throw mismatch();
        }
    }
    const size_t end = i;
    while (i < n && text[i] == ' ') {
        ++i;
    }
    if (i != n) {
        throw mismatch();
    }

    // Always the C locale's decimal point, whatever locale the window runs in.
    static const locale_t cLocale = ::newlocale(LC_ALL_MASK, "C", locale_t{});
    const std::string number(text.substr(start, end - start));
    errno = 0;
    const double value = ::strtod_l(number.c_str(), nullptr, cLocale);
    if (errno == ERANGE && std::isinf(value)) {
        throw makeError(err::kOverflow,
                        {.fault = box == Box::Count ? Fault::CountTooLarge : Fault::PortTooLarge,
                         .seen = std::string(text)});
    }
    return value;
}

}  // namespace

double toCount(std::string_view text) {
    return toNumber(text, Box::Count);
}

std::int16_t toPortNumber(std::string_view text) {
    const double rounded = std::nearbyint(toNumber(text, Box::Port));
    if (rounded < -32768.0 || rounded > 32767.0) {
        throw makeError(err::kOverflow,
                        {.fault = Fault::PortOutOfRange, .seen = std::string(text)});
    }
    return static_cast<std::int16_t>(rounded);
}

void openSerialPort(MSComm& comm, std::int16_t port) {
    comm.setCommPort(port);
    comm.setPortOpen(true);
    comm.setSettings("9600,n,8,1");
    comm.setHandshaking(2);
}

}  // namespace mpt
