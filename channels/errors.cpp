// SPDX-License-Identifier: MIT
#include "channels/errors.h"

#include "channels/access_advice.h"
#include "channels/port_help.h"
#include "channels/texts.h"

#include <netdb.h>

#include <cerrno>
#include <cstring>

namespace mpt {

ConsoleError::ConsoleError(int number, std::string text, std::string detail)
    : std::runtime_error(text),
      m_number(number),
      m_text(std::move(text)),
      m_detail(std::move(detail)) {}

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

ConsoleError makeError(int number, std::string detail) {
    return ConsoleError(number, standardText(number), std::move(detail));
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

ConsoleError systemError(int errnoValue, Step step, const std::string& devicePath,
                         std::string_view holder, const std::string& root) {
    // A lock held by another program; any other refusal of the lock counts as one of the opening.
    if (step == Step::LockSerial || step == Step::LockLpt) {
        if (errnoValue == EWOULDBLOCK) {
            const std::string inUse =
                fill(translate("Errors", "%1: in use by another program"), {devicePath});
            return step == Step::LockSerial
                       ? makeError(err::kPortAlreadyOpen, inUse)
                       : makeError(err::kPathFileAccessError, inUse + std::string(holder));
        }
        step = step == Step::LockSerial ? Step::OpenSerial : Step::OpenLpt;
    }
    const std::string reason = systemErrorText(errnoValue);
    const std::string where = devicePath + ": " + reason;  // the system's own words
    const bool opening = step == Step::OpenSerial || step == Step::OpenLpt;

    if (errnoValue == EACCES || errnoValue == EPERM) {
        return makeError(err::kPermissionDenied,
                         fill("%1 (%2)", {where, accessAdvice(devicePath)}));
    }
    if (errnoValue == ETIMEDOUT) {
        return makeError(err::kDeviceTimeout, where);
    }
    // A device whose node is still there but whose hardware is not (an adapter unplugged while
    // its node was held open): it went away, whatever step found out.
    if ((errnoValue == EIO || errnoValue == ENODEV) && step != Step::OpenLpt) {
        return makeError(
            err::kDeviceIoError,
            fill(translate("Errors", "%1: the device went away (%2)"), {devicePath, reason}));
    }
    if (opening) {
        const bool missing = errnoValue == ENOENT || errnoValue == ENXIO || errnoValue == ENODEV ||
                             errnoValue == ENOTDIR;
        if (step == Step::OpenSerial) {
            if (missing || errnoValue == ENOTTY) {
                const std::string what =
                    errnoValue == ENOTTY
                        ? fill(translate("Errors", "%1: not a serial device"), {devicePath})
                        : where;
                return makeError(err::kInvalidPortNumber, what + ". " + serialDevicesLine(root));
            }
            if (errnoValue == EBUSY || errnoValue == EWOULDBLOCK) {
                return makeError(
                    err::kPortAlreadyOpen,
                    fill(translate("Errors", "%1: in use by another program"), {devicePath}));
            }
        } else if (missing) {
            return makeError(
                err::kDeviceUnavailable,
                errnoValue == ENXIO
                    ? fill(translate("Errors", "%1: no printer is reading it"), {devicePath})
                    : where);
        }
        return makeError(err::kPathFileAccessError, where);
    }
    if (step == Step::ConfigureSerial) {
        return makeError(err::kCouldNotSetCommState, where);
    }
    return makeError(err::kDeviceIoError, where);
}

ConsoleError connectionError(int number, const std::string& address,
                             const ConnectFailure& failure) {
    std::string why;
    const bool timedOut = failure.errnoValue == ETIMEDOUT;
    switch (failure.stage) {
        case ConnectFailure::Stage::Address:
            why = translate("Errors", "not an address such as tcp://HOST:PORT");
            break;
        case ConnectFailure::Stage::Lookup:
            if (failure.lookupResult == 0 && timedOut) {
                why = fill(translate("Errors", "the name was not found within %1"),
                           {seconds(failure.limit)});
            } else {
                why = failure.lookupResult == EAI_SYSTEM ? systemErrorText(failure.errnoValue)
                                                         : ::gai_strerror(failure.lookupResult);
            }
            break;
        case ConnectFailure::Stage::Connect:
            why = timedOut
                      ? fill(translate("Errors", "no answer within %1"), {seconds(failure.limit)})
                      : systemErrorText(failure.errnoValue);
            break;
    }
    return makeError(number, fill(translate("Errors", "%1: no connection: %2"), {address, why}));
}

}  // namespace mpt
