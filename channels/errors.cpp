// SPDX-License-Identifier: MIT
#include "channels/errors.h"

#include <netdb.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace mpt {

ConsoleError::ConsoleError(int number, std::string text, ErrorFacts facts)
    : std::runtime_error(text),
      m_number(number),
      m_text(std::move(text)),
      m_facts(std::move(facts)) {}

static const char* standardText(int number) {
    switch (number) {
        case err::kOverflow: return "Overflow";
        case err::kTypeMismatch: return "Type mismatch";
        case err::kDeviceTimeout: return "Device timeout";
        case err::kInternalError: return "Internal error";
        case err::kBadFileNameOrNumber: return "Bad file name or number";
        case err::kFileAlreadyOpen: return "File already open";
        case err::kDeviceIoError: return "Device I/O error";
        case err::kDeviceUnavailable: return "Device unavailable";
        case err::kPermissionDenied: return "Permission denied";
        case err::kPathFileAccessError: return "Path/File access error";
        case err::kInvalidPropertyValue: return "Invalid property value";
        case err::kInvalidPortNumber: return "Invalid port number";
        case err::kPortAlreadyOpen: return "Port already open";
        case err::kCouldNotSetCommState: return "Could not set comm state";
        case err::kPortNotOpen: return "Operation valid only when the port is open";
        default: return "Application-defined or object-defined error";
    }
}

ConsoleError makeError(int number, ErrorFacts facts) {
    return ConsoleError(number, standardText(number), std::move(facts));
}

namespace {

// strerror_r comes in two forms: the GNU one returns the text (in the buffer or a string of its
// own), the POSIX one fills the buffer and returns 0 or an error number. Whichever the C library
// declares is the one overload resolution picks here.
[[maybe_unused]] const char* textOf(const char* gnuResult, const char*) {
    return gnuResult;
}
[[maybe_unused]] const char* textOf(int posixResult, const char* buffer) {
    return posixResult == 0 ? buffer : nullptr;
}

}  // namespace

std::string systemErrorText(int errnoValue) {
    char buffer[256] = {};
    const char* text = textOf(::strerror_r(errnoValue, buffer, sizeof buffer), buffer);
    if (text == nullptr || *text == '\0') {
        return "Unknown error " + std::to_string(errnoValue);
    }
    return text;
}

namespace {

// The number of an errno at an opening (a lock refused for another reason counts as one), and
// what the error says of it beyond the system's own reason.
std::pair<int, Fault> openingError(int errnoValue, Step step) {
    const bool missing = errnoValue == ENOENT || errnoValue == ENXIO || errnoValue == ENODEV ||
                         errnoValue == ENOTDIR;
    if (step == Step::OpenSerial) {
        if (missing || errnoValue == ENOTTY) {
            return {err::kInvalidPortNumber,
                    errnoValue == ENOTTY ? Fault::NotASerialDevice : Fault::NoSerialDevice};
        }
        if (errnoValue == EBUSY || errnoValue == EWOULDBLOCK) {
            return {err::kPortAlreadyOpen, Fault::InUse};
        }
    } else if (missing) {
        return {err::kDeviceUnavailable, errnoValue == ENXIO ? Fault::NoReader : Fault::System};
    }
    return {err::kPathFileAccessError, Fault::System};
}

std::pair<int, Fault> numberAndFault(int errnoValue, Step step) {
    if (errnoValue == EACCES || errnoValue == EPERM) {
        return {err::kPermissionDenied, Fault::AccessDenied};
    }
    if (errnoValue == ETIMEDOUT) {
        return {err::kDeviceTimeout, Fault::System};
    }
    // A device whose node is still there but whose hardware is not (an adapter unplugged while
    // its node was held open): it went away, whatever step found out.
    if ((errnoValue == EIO || errnoValue == ENODEV) && step != Step::OpenLpt) {
        return {err::kDeviceIoError, Fault::WentAway};
    }
    if (step == Step::OpenSerial || step == Step::OpenLpt) {
        return openingError(errnoValue, step);
    }
    if (step == Step::ConfigureSerial) {
        return {err::kCouldNotSetCommState, Fault::System};
    }
    return {err::kDeviceIoError, Fault::System};
}

}  // namespace

ConsoleError systemError(int errnoValue, Step step, const std::string& devicePath,
                         std::optional<LockHolder> holder) {
    ErrorFacts facts;
    facts.step = step;
    facts.errnoValue = errnoValue;
    facts.device = devicePath;
    // A lock held by another program; any other refusal of the lock counts as one of the opening.
    if (step == Step::LockSerial || step == Step::LockLpt) {
        if (errnoValue == EWOULDBLOCK) {
            facts.fault = Fault::InUse;
            if (step == Step::LockSerial) {
                return makeError(err::kPortAlreadyOpen, std::move(facts));
            }
            facts.holder = std::move(holder);
            return makeError(err::kPathFileAccessError, std::move(facts));
        }
        step = step == Step::LockSerial ? Step::OpenSerial : Step::OpenLpt;
    }
    const auto [number, fault] = numberAndFault(errnoValue, step);
    facts.fault = fault;
    if (fault == Fault::AccessDenied) {
        facts.advice = accessAdvice(devicePath);
    }
    return makeError(number, std::move(facts));
}

ConnectFailure::Why ConnectFailure::why() const {
    const bool timedOut = errnoValue == ETIMEDOUT;
    switch (stage) {
        case Stage::Address: break;
        case Stage::Lookup:
            return lookupResult == 0 && timedOut ? Why::NameNotFoundInTime
                   : lookupResult == EAI_SYSTEM  ? Why::System
                                                 : Why::LookupFailed;
        case Stage::Connect: return timedOut ? Why::NoAnswerInTime : Why::System;
    }
    return Why::NotAnAddress;
}

ConsoleError connectionError(int number, const std::string& address,
                             const ConnectFailure& failure) {
    return makeError(number,
                     {.fault = Fault::NoConnection, .device = address, .connection = failure});
}

}  // namespace mpt
