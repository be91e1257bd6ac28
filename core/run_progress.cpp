// SPDX-License-Identifier: MIT
#include "core/run_progress.h"

#include <algorithm>

#include "channels/fd_io.h"
#include "channels/network.h"
#include "channels/texts.h"

namespace mpt {

namespace {

std::string where(const RunSnapshot& s) {
    return s.port.empty() ? translate("Run", "no port yet") : s.port + " → " + s.device;
}

// "1,024 of about 8,761 bytes", or "1,024 bytes" while the total is not known; for a count
// beyond what the loop's counter reaches, "1,024 of more than 80,…,096 bytes".
std::string ofTotal(const RunSnapshot& s) {
    if (const auto total = s.estimatedTotal()) {
        const std::string whole = withThousands(std::max(*total, ByteCount{s.sent()}));
        return fill(s.repetitions == kCountBeyond ? translate("Run", "%1 of more than %2 bytes")
                                                  : translate("Run", "%1 of about %2 bytes"),
                    {withThousands(s.sent()), whole});
    }
    return fill(translate("Run", "%1 bytes"), {withThousands(s.sent())});
}

std::string repetitions(long long n) {
    if (n == kCountBeyond) {
        return fill(translate("Run", "more than %1"),
                    {withThousands(static_cast<std::uint64_t>(n))});
    }
    return withThousands(static_cast<std::uint64_t>(n));
}

}  // namespace

std::optional<ByteCount> RunSnapshot::estimatedTotal() const {
    if (repetition < 2 || repetitions < 2) {
        return std::nullopt;
    }
    // At most 2^64 bytes a repetition times 2^63 repetitions: within 128 bits.
    const ByteCount first = takenAtSecond - takenAtFirst;
    return takenAtFirst + first * static_cast<ByteCount>(repetitions);
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
    m_starts.push_back({counter, m_now.taken});
    if (m_starts.size() > kStartsKept) {
        m_starts.pop_front();
    }
    m_now.repetition = counter;
    m_now.repetitions = count;
    m_now.takenAtCurrent = m_now.taken;
    if (counter == 1) {
        m_now.takenAtFirst = m_now.taken;
    } else if (counter == 2) {
        m_now.takenAtSecond = m_now.taken;
    }
}

void RunProgress::stopped(RunStopped::At at) {
    std::lock_guard lock(m_mutex);
    m_now.stoppedAt = at;
}

long long RunProgress::completeBy(std::uint64_t sent) const {
    if (m_starts.empty()) {
        return 0;
    }
    // A repetition is complete once the start of the next lies within what was sent.
    const auto next = std::upper_bound(
        m_starts.begin(), m_starts.end(), sent,
        [](std::uint64_t bytes, const Start& start) { return bytes < start.taken; });
    if (next == m_starts.begin()) {
        // Even the oldest start kept lies beyond: the repetition before it is not complete, and
        // those before that are taken to be.
        return std::max(next->counter - 2, 0LL);
    }
    long long complete = std::prev(next)->counter - 1;
    // The repetition under way, once the stop came in the closing or later: its writes were all
    // handed over, and it is complete where nothing was dropped.
    const bool handedOver =
        m_now.stoppedAt == RunStopped::At::Close || m_now.stoppedAt == RunStopped::At::End;
    if (next == m_starts.end() && handedOver && m_now.dropped == 0 && m_now.notTaken == 0) {
        complete = m_starts.back().counter;
    }
    return complete;
}

RunSnapshot RunProgress::snapshot() const {
    std::lock_guard lock(m_mutex);
    RunSnapshot now = m_now;
    now.complete = completeBy(now.sent());
    return now;
}

void RunProgress::reset() {
    std::lock_guard lock(m_mutex);
    m_now = {};
    m_starts.clear();
}

std::string withThousands(ByteCount n) {
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(n % 10)));
        n /= 10;
    } while (n != 0);
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
                             roundedSeconds(static_cast<double>(took.count()) / 1000.0)});
    if (isNetworkAddress(end.device)) {
        // No wire of a known speed: the network sets the pace.
        text += translate("Run", " (network)");
    } else if (end.port.rfind("COM", 0) == 0) {
        // 10 bits a byte on the wire: a start bit, 8 data bits, a stop bit.
        text += fill(translate("Run", " (the wire needs %1 at 9600 baud)"),
                     {roundedSeconds(static_cast<double>(end.sent()) * 10.0 / 9600.0)});
    }
    return text;
}

std::string faultText(const ConsoleError& error, const RunSnapshot& end,
                      std::chrono::milliseconds limit) {
    return faultText(faultCause(error, end, limit), end);
}

std::string faultText(std::string_view cause, const RunSnapshot& end) {
    std::string text = fill(translate("Run", "%1 after %2"), {cause, ofTotal(end)});
    if (end.discarded() > 0) {
        text += fill(translate("Run", "; %1 bytes handed over were not taken and were discarded"),
                     {withThousands(end.discarded())});
    }
    return text;
}

std::string stoppedText(const RunSnapshot& end) {
    // A repetition that has sent nothing yet has not begun on the printer; one whose writes were
    // all handed over before a stop in the closing is over.
    const bool begun = end.taken + end.notTaken > end.takenAtCurrent;
    const bool over =
        end.stoppedAt == RunStopped::At::Close || end.stoppedAt == RunStopped::At::End;
    const long long done = begun || over ? end.repetition : end.repetition - 1;
    const std::string sent = ofTotal(end);
    const std::string discarded = withThousands(end.discarded());
    const std::string complete = withThousands(static_cast<std::uint64_t>(end.complete));
    if (done == 0) {
        return fill(translate("Run", "Stopped before the first repetition: %1 sent, %2 discarded"),
                    {sent, discarded});
    }
    if (begun && !(over && end.complete == end.repetition)) {
        return fill(
            translate("Run", "Stopped in repetition %1 of %2: %3 complete; %4 sent, %5 discarded"),
            {repetitions(end.repetition), repetitions(end.repetitions), complete, sent, discarded});
    }
    return fill(
        translate("Run", "Stopped after repetition %1 of %2: %3 complete; %4 sent, %5 discarded"),
        {repetitions(done), repetitions(end.repetitions), complete, sent, discarded});
}

}  // namespace mpt
