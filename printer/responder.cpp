// SPDX-License-Identifier: MIT
#include "printer/responder.h"

namespace mpt::printer {

namespace {

constexpr char kDle = 0x10;
constexpr char kEot = 0x04;
constexpr char kGs = 0x1D;

// Whether the bytes from `at` are a request's first one or two bytes, still to be completed.
bool startsRequest(std::string_view bytes, std::size_t at) {
    const std::size_t left = bytes.size() - at;
    if (left == 1) {
        return bytes[at] == kDle || bytes[at] == kGs;
    }
    if (left == 2) {
        return (bytes[at] == kDle && bytes[at + 1] == kEot) ||
               (bytes[at] == kGs &&
                (bytes[at + 1] == 'r' || bytes[at + 1] == 'I' || bytes[at + 1] == 'a'));
    }
    return false;
}

}  // namespace

std::string Responder::answer(const std::string& source, std::string_view bytes) {
    std::lock_guard lock(m_mutex);
    Source& from = m_sources[source];
    std::string joined;
    if (!from.pending.empty()) {
        joined = from.pending + std::string(bytes);
        from.pending.clear();
        bytes = joined;
    }
    std::string answers;
    std::size_t at = 0;
    while (at < bytes.size()) {
        if (bytes[at] != kDle && bytes[at] != kGs) {
            ++at;
            continue;
        }
        if (bytes.size() - at < 3) {
            if (startsRequest(bytes, at)) {
                from.pending = std::string(bytes.substr(at));
                break;
            }
            ++at;
            continue;
        }
        const char second = bytes[at + 1];
        const auto n = static_cast<std::uint8_t>(bytes[at + 2]);
        if (bytes[at] == kDle && second == kEot) {
            if (n >= 1 && n <= 4) {
                answers += static_cast<char>(status::realTimeAnswer(n, m_switches));
            }
            at += 3;
        } else if (bytes[at] == kGs && second == 'r') {
            if (const auto byte = status::sensorAnswer(n, m_switches)) {
                answers += static_cast<char>(*byte);
            }
            at += 3;
        } else if (bytes[at] == kGs && second == 'I') {
            if (const auto text = status::identityAnswer(n, m_identity)) {
                answers += *text;
            }
            at += 3;
        } else if (bytes[at] == kGs && second == 'a') {
            const bool was = from.automatic;
            from.automatic = n != 0;
            // Enabling sends the present status at once; later ones follow each change.
            if (from.automatic && !was) {
                answers += status::automaticStatus(m_switches);
            }
            at += 3;
        } else {
            ++at;
        }
    }
    return answers;
}

void Responder::forget(const std::string& source) {
    std::lock_guard lock(m_mutex);
    m_sources.erase(source);
}

status::Switches Responder::switches() const {
    std::lock_guard lock(m_mutex);
    return m_switches;
}

std::vector<std::pair<std::string, std::string>> Responder::setSwitches(
    const status::Switches& now) {
    std::lock_guard lock(m_mutex);
    std::vector<std::pair<std::string, std::string>> owed;
    const std::string before = status::automaticStatus(m_switches);
    m_switches = now;
    const std::string after = status::automaticStatus(m_switches);
    if (after != before) {
        for (const auto& [source, state] : m_sources) {
            if (state.automatic) {
                owed.emplace_back(source, after);
            }
        }
    }
    return owed;
}

bool Responder::halted() const {
    std::lock_guard lock(m_mutex);
    return m_switches.halted();
}

}  // namespace mpt::printer
