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
        digits.insert(static_cast<size_t>(i), ",");
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
    return text + ofTotal(now) + ", " + where(now);
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
    std::string progress = " after " + ofTotal(end);
    if (end.discarded() > 0) {
        progress += "; " + withThousands(end.discarded()) +
                    " bytes handed over were not taken and were discarded";
    }
    if (error.number() == err::kDeviceTimeout) {
        const bool serial = end.port.rfind("COM", 0) == 0;
        return std::string("stalled: the printer ") + (serial ? "held CTS low" : "took no data") +
               " for " + mpt::seconds(limit) + progress;
    }
    return "failed with error " + std::to_string(error.number()) + " (" + error.text() + ")" +
           progress;
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
