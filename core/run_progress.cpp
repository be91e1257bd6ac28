// SPDX-License-Identifier: MIT
#include "core/run_progress.h"

#include <algorithm>
#include <cstdio>

#include "channels/fd_io.h"
#include "channels/network.h"
#include "channels/texts.h"

namespace mpt {

namespace {

std::string secondsText(double s) {
    char number[32];
    std::snprintf(number, sizeof number, s < 10 ? "%.1f" : "%.0f", s);
    return fill(translate("Run", "%1 s"), {number});
}

std::string where(const RunSnapshot& s) {
    return s.port.empty() ? translate("Run", "no port yet") : s.port + " → " + s.device;
}

// "1,024 of about 8,761 bytes", or "1,024 bytes" while the total is not known.
std::string ofTotal(const RunSnapshot& s) {
    if (const auto total = s.estimatedTotal()) {
        return fill(translate("Run", "%1 of about %2 bytes"),
                    {withThousands(s.sent()), withThousands(std::max(*total, s.sent()))});
    }
    return fill(translate("Run", "%1 bytes"), {withThousands(s.sent())});
}

std::string repetitions(long long n) {
    return withThousands(static_cast<std::uint64_t>(n));
}

}  // namespace

std::optional<std::uint64_t> RunSnapshot::estimatedTotal() const {
    if (repetition < 2 || repetitions < 2) {
        return std::nullopt;
    }
    const std::uint64_t first = takenAtSecond - takenAtFirst;
    return takenAtFirst + first * static_cast<std::uint64_t>(repetitions);
}

void RunProgress::opened(const std::string& port, const std::string& devicePath) {
    std::lock_guard lock(m_mutex);
    m_now.port = port;
    m_now.device = devicePath;
    m_now.deviceState.reset();  // another device, or the same one opened anew: not read yet
}

void RunProgress::state(const DeviceState& now) {
    {
        std::lock_guard lock(m_mutex);
        m_now.deviceState = now;
    }
    if (m_trace != nullptr) {
        if (now.kind == DeviceState::Kind::Serial) {
            m_trace->lines(now.cts, now.dsr, now.dcd);
        } else {
            m_trace->printerStatus(now.paperOut, now.offLine, now.error);
        }
    }
}

void RunProgress::taken(std::size_t bytes) {
    std::lock_guard lock(m_mutex);
    m_now.taken += bytes;
}

void RunProgress::wrote() {
    std::lock_guard lock(m_mutex);
    ++m_now.writes;
}

void RunProgress::notTaken(std::size_t bytes) {
    std::lock_guard lock(m_mutex);
    m_now.notTaken += bytes;
}

void RunProgress::dropped(std::size_t bytes) {
    std::lock_guard lock(m_mutex);
    m_now.dropped += std::min<std::uint64_t>(bytes, m_now.taken - m_now.dropped);
}

void RunProgress::repetition(long long counter, long long count) {
    std::lock_guard lock(m_mutex);
    m_now.repetition = counter;
    m_now.repetitions = count;
    m_now.takenAtCurrent = m_now.taken;
    if (counter == 1) {
        m_now.takenAtFirst = m_now.taken;
    } else if (counter == 2) {
        m_now.takenAtSecond = m_now.taken;
    }
}

RunSnapshot RunProgress::snapshot() const {
    std::lock_guard lock(m_mutex);
    return m_now;
}

void RunProgress::reset() {
    std::lock_guard lock(m_mutex);
    m_now = {};
}

std::string withThousands(std::uint64_t n) {
    std::string digits = std::to_string(n);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) {
        digits.insert(static_cast<size_t>(i), 1, ',');
    }
    return digits;
}

std::string progressText(std::string_view caption, const RunSnapshot& now) {
    std::string text(caption);
    text.erase(0, std::min(text.find_first_not_of(' '), text.size()));
    text += ": ";
    if (now.repetition > 0) {
        text += fill(translate("Run", "repetition %1 of %2"),
                     {repetitions(now.repetition), repetitions(now.repetitions)}) +
                ", ";
    }
    text += ofTotal(now) + ", " + where(now);
    if (now.deviceState) {
        text += " · " + stateText(*now.deviceState);
    }
    return text;
}

ConsoleError traceNotWritten(const std::string& failure) {
    return makeError(
        err::kPathFileAccessError,
        fill(translate("Run", "%1 (the trace was not written, from that step on)"), {failure}));
}

std::string stateText(const DeviceState& state) {
    if (state.kind == DeviceState::Kind::Serial) {
        const auto lamp = [](bool on) { return on ? "●" : "○"; };
        return fill("CTS %1 DSR %2 DCD %3", {lamp(state.cts), lamp(state.dsr), lamp(state.dcd)});
    }
    return (state.paperOut ? translate("Run", "paper out") : translate("Run", "paper ok")) + ", " +
           (state.offLine ? translate("Run", "off line") : translate("Run", "on line")) + ", " +
           (state.error ? translate("Run", "error") : translate("Run", "no error"));
}

std::string faultCause(const ConsoleError& error, const RunSnapshot& end,
                       std::chrono::milliseconds limit) {
    const std::optional<DeviceState>& seen = end.deviceState;
    if (error.number() == err::kDeviceTimeout) {
        if (seen && seen->kind == DeviceState::Kind::Serial) {
            if (!seen->dsr) {
                return translate("Run", "stalled: DSR low: the printer is off or the cable is out");
            }
            if (!seen->cts) {
                return fill(translate("Run",
                                      "stalled: CTS low for %1 (the printer is busy or its buffer "
                                      "is full)"),
                            {mpt::seconds(limit)});
            }
        } else if (seen) {
            if (seen->paperOut) {
                return translate("Run", "stalled: paper out");
            }
            if (seen->offLine) {
                return translate("Run", "stalled: off line");
            }
            if (seen->error) {
                return translate("Run", "stalled: the printer reports an error");
            }
        }
        return fill(translate("Run", "stalled: the device took no data for %1"),
                    {mpt::seconds(limit)});
    }
    // The error's number and text stay as they are in every language.
    std::string cause = fill(translate("Run", "failed with error %1 (%2)"),
                             {std::to_string(error.number()), error.text()});
    if (seen) {
        cause += fill(translate("Run", "; last seen: %1"), {stateText(*seen)});
    }
    return cause;
}

std::string finishedText(const RunSnapshot& end, std::chrono::milliseconds took) {
    if (end.port.empty()) {
        return translate("Run", "Nothing sent: no repetition asked for.");
    }
    std::string text = fill(translate("Run", "Sent %1 bytes to %2 in %3"),
                            {withThousands(end.sent()), where(end),
                             secondsText(static_cast<double>(took.count()) / 1000.0)});
    if (isNetworkAddress(end.device)) {
        // No wire of a known speed: the network sets the pace.
        text += translate("Run", " (network)");
    } else if (end.port.rfind("COM", 0) == 0) {
        // 10 bits a byte on the wire: a start bit, 8 data bits, a stop bit.
        text += fill(translate("Run", " (the wire needs %1 at 9600 baud)"),
                     {secondsText(static_cast<double>(end.sent()) * 10.0 / 9600.0)});
    }
    return text;
}

std::string faultText(const ConsoleError& error, const RunSnapshot& end,
                      std::chrono::milliseconds limit) {
    std::string text =
        fill(translate("Run", "%1 after %2"), {faultCause(error, end, limit), ofTotal(end)});
    if (end.discarded() > 0) {
        text += fill(translate("Run", "; %1 bytes handed over were not taken and were discarded"),
                     {withThousands(end.discarded())});
    }
    return text;
}

std::string stoppedText(const RunSnapshot& end) {
    // A repetition that has sent nothing yet has not begun on the printer.
    const bool begun = end.taken + end.notTaken > end.takenAtCurrent;
    const long long done = begun ? end.repetition : end.repetition - 1;
    const std::string sent = ofTotal(end);
    const std::string discarded = withThousands(end.discarded());
    if (end.repetition == 0 || done == 0) {
        return fill(translate("Run",
                              "Stopped before the first repetition: %1 sent, %2 bytes "
                              "discarded"),
                    {sent, discarded});
    }
    if (begun) {
        return fill(translate("Run", "Stopped in repetition %1 of %2: %3 sent, %4 bytes discarded"),
                    {repetitions(end.repetition), repetitions(end.repetitions), sent, discarded});
    }
    return fill(translate("Run", "Stopped after repetition %1 of %2: %3 sent, %4 bytes discarded"),
                {repetitions(done), repetitions(end.repetitions), sent, discarded});
}

}  // namespace mpt
