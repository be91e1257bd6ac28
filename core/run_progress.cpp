// SPDX-License-Identifier: MIT
#include "core/run_progress.h"

#include <algorithm>
#include <cstdio>

#include "channels/fd_io.h"

namespace mpt {

namespace {

std::string secondsText(double s) {
    char text[32];
    std::snprintf(text, sizeof text, s < 10 ? "%.1f s" : "%.0f s", s);
    return text;
}

std::string where(const RunSnapshot& s) {
    return s.port.empty() ? std::string("no port yet") : s.port + " → " + s.device;
}

// "1,024 of about 8,761 bytes", or "1,024 bytes" while the total is not known.
std::string ofTotal(const RunSnapshot& s) {
    std::string text = withThousands(s.sent());
    if (const auto total = s.estimatedTotal()) {
        text += " of about " + withThousands(std::max(*total, s.sent()));
    }
    return text + " bytes";
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
        text += "repetition " + repetitions(now.repetition) + " of " +
                repetitions(now.repetitions) + ", ";
    }
    text += ofTotal(now) + ", " + where(now);
    if (now.deviceState) {
        text += " · " + stateText(*now.deviceState);
    }
    return text;
}

std::string stateText(const DeviceState& state) {
    if (state.kind == DeviceState::Kind::Serial) {
        const auto lamp = [](bool on) { return on ? "●" : "○"; };
        return std::string("CTS ") + lamp(state.cts) + " DSR " + lamp(state.dsr) + " DCD " +
               lamp(state.dcd);
    }
    return std::string(state.paperOut ? "paper out" : "paper ok") + ", " +
           (state.offLine ? "off line" : "on line") + ", " + (state.error ? "error" : "no error");
}

std::string faultCause(const ConsoleError& error, const RunSnapshot& end,
                       std::chrono::milliseconds limit) {
    const std::optional<DeviceState>& seen = end.deviceState;
    if (error.number() == err::kDeviceTimeout) {
        if (seen && seen->kind == DeviceState::Kind::Serial) {
            if (!seen->dsr) {
                return "stalled: DSR low: the printer is off or the cable is out";
            }
            if (!seen->cts) {
                return "stalled: CTS low for " + mpt::seconds(limit) +
                       " (the printer is busy or its buffer is full)";
            }
        } else if (seen) {
            if (seen->paperOut) {
                return "stalled: paper out";
            }
            if (seen->offLine) {
                return "stalled: off line";
            }
            if (seen->error) {
                return "stalled: the printer reports an error";
            }
        }
        return "stalled: the device took no data for " + mpt::seconds(limit);
    }
    std::string cause =
        "failed with error " + std::to_string(error.number()) + " (" + error.text() + ")";
    if (seen) {
        cause += "; last seen: " + stateText(*seen);
    }
    return cause;
}

std::string finishedText(const RunSnapshot& end, std::chrono::milliseconds took) {
    if (end.port.empty()) {
        return "Nothing sent: no repetition asked for.";
    }
    std::string text = "Sent " + withThousands(end.sent()) + " bytes to " + where(end) + " in " +
                       secondsText(static_cast<double>(took.count()) / 1000.0);
    if (end.port.rfind("COM", 0) == 0) {
        // 10 bits a byte on the wire: a start bit, 8 data bits, a stop bit.
        text += " (the wire needs " + secondsText(static_cast<double>(end.sent()) * 10.0 / 9600.0) +
                " at 9600 baud)";
    }
    return text;
}

std::string faultText(const ConsoleError& error, const RunSnapshot& end,
                      std::chrono::milliseconds limit) {
    std::string text = faultCause(error, end, limit) + " after " + ofTotal(end);
    if (end.discarded() > 0) {
        text += "; " + withThousands(end.discarded()) +
                " bytes handed over were not taken and were discarded";
    }
    return text;
}

std::string stoppedText(const RunSnapshot& end) {
    std::string text = "Stopped ";
    // A repetition that has sent nothing yet has not begun on the printer.
    const bool begun = end.taken + end.notTaken > end.takenAtCurrent;
    const long long done = begun ? end.repetition : end.repetition - 1;
    if (end.repetition == 0 || done == 0) {
        text += "before the first repetition";
    } else if (begun) {
        text +=
            "in repetition " + repetitions(end.repetition) + " of " + repetitions(end.repetitions);
    } else {
        text += "after repetition " + repetitions(done) + " of " + repetitions(end.repetitions);
    }
    return text + ": " + ofTotal(end) + " sent, " + withThousands(end.discarded()) +
           " bytes discarded";
}

}  // namespace mpt
