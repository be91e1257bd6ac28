// SPDX-License-Identifier: MIT
#include "core/run_progress.h"

#include <algorithm>

#include "channels/network.h"

namespace mpt {

std::optional<ByteCount> RunSnapshot::estimatedTotal() const {
    if (repetition < 2 || repetitions < 2) {
        return std::nullopt;
    }
    // At most 2^64 bytes a repetition times 2^63 repetitions: within 128 bits.
    const ByteCount first = takenAtSecond - takenAtFirst;
    return takenAtFirst + first * static_cast<ByteCount>(repetitions);
}

std::optional<double> RunSnapshot::wireSeconds() const {
    if (port.rfind("COM", 0) != 0 || isNetworkAddress(device)) {
        return std::nullopt;
    }
    // 10 bits a byte on the wire: a start bit, 8 data bits, a stop bit.
    return static_cast<double>(sent()) * 10.0 / 9600.0;
}

FaultCause faultCauseOf(const ConsoleError& error, const std::optional<DeviceState>& seen,
                        std::chrono::milliseconds limit) {
    using Kind = FaultCause::Kind;
    FaultCause cause{Kind::Failed, error.number(), error.text(), seen, limit};
    if (error.number() != err::kDeviceTimeout) {
        return cause;
    }
    cause.kind = Kind::NoData;
    if (seen && seen->kind == DeviceState::Kind::Serial) {
        if (!seen->dsr) {
            cause.kind = Kind::DsrLow;
        } else if (!seen->cts) {
            cause.kind = Kind::CtsLow;
        }
    } else if (seen) {
        cause.kind = seen->paperOut  ? Kind::PaperOut
                     : seen->offLine ? Kind::OffLine
                     : seen->error   ? Kind::PrinterError
                                     : Kind::NoData;
    }
    return cause;
}

FaultCause faultCauseOf(const ConsoleError& error) {
    return faultCauseOf(error, error.facts().lastSeen, error.facts().stallLimit);
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
    if (m_events != nullptr) {
        m_events->record(event::StateSeen{now});
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
    if (next == m_starts.end() && m_now.handedOverAtStop() && m_now.dropped == 0 &&
        m_now.notTaken == 0) {
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

}  // namespace mpt
