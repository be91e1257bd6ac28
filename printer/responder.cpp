// SPDX-License-Identifier: MIT
#include "printer/responder.h"

#include <algorithm>
#include <cstdint>

namespace mpt::printer {

namespace {

constexpr char kDle = 0x10;
constexpr char kEot = 0x04;
constexpr char kGs = 0x1D;

// An answer and the stream offset of the request it answers, to put the answers in order.
struct Answer {
    std::uint64_t offset = 0;
    std::string bytes;
};

}  // namespace

std::string Responder::answer(const Origin& source, std::string_view bytes) {
    std::lock_guard lock(m_mutex);
    Source& from = m_sources[source];
    std::vector<Answer> answers;

    // DLE EOT n, wherever it is: scanned in the raw bytes, with what the last call left of one.
    std::string_view raw = bytes;
    std::string joined;
    if (!from.pending.empty()) {
        joined = from.pending + std::string(bytes);
        raw = joined;
    }
    const std::uint64_t rawStart = from.received - from.pending.size();
    from.pending.clear();
    for (std::size_t at = 0; at < raw.size(); ++at) {
        if (raw[at] != kDle) {
            continue;
        }
        if (raw.size() - at < 3) {
            if (raw.size() - at == 1 || raw[at + 1] == kEot) {
                from.pending = std::string(raw.substr(at));
                break;
            }
            continue;
        }
        if (raw[at + 1] != kEot) {
            continue;
        }
        const auto n = static_cast<std::uint8_t>(raw[at + 2]);
        if (n >= 1 && n <= 4) {
            answers.push_back(
                {rawStart + at,
                 std::string(1, static_cast<char>(status::realTimeAnswer(n, m_switches)))});
        }
        at += 2;
    }

    // GS r n, GS I n, GS a n: only where the decoder reads them as commands.
    for (const Item& item : from.commands.feed(bytes)) {
        if (item.op != Op::StatusRequest || item.truncated || item.bytes.size() != 3 ||
            item.bytes[0] != kGs) {
            continue;
        }
        const char letter = item.bytes[1];
        const auto n = static_cast<std::uint8_t>(item.bytes[2]);
        std::string answer;
        if (letter == 'r') {
            if (const auto byte = status::sensorAnswer(n, m_switches)) {
                answer = std::string(1, static_cast<char>(*byte));
            }
        } else if (letter == 'I') {
            if (const auto text = status::identityAnswer(n, m_identity)) {
                answer = *text;
            }
        } else if (letter == 'a') {
            const bool was = from.automatic;
            from.automatic = n != 0;
            // Enabling sends the present status at once; later ones follow each change.
            if (from.automatic && !was) {
                answer = status::automaticStatus(m_switches);
            }
        }
        if (!answer.empty()) {
            answers.push_back({item.offset, std::move(answer)});
        }
    }
    from.received += bytes.size();

    std::stable_sort(answers.begin(), answers.end(),
                     [](const Answer& a, const Answer& b) { return a.offset < b.offset; });
    std::string all;
    for (const Answer& each : answers) {
        all += each.bytes;
    }
    return all;
}

void Responder::forget(const Origin& source) {
    std::lock_guard lock(m_mutex);
    m_sources.erase(source);
}

status::Switches Responder::switches() const {
    std::lock_guard lock(m_mutex);
    return m_switches;
}

std::vector<std::pair<Origin, std::string>> Responder::setSwitches(const status::Switches& now) {
    std::lock_guard lock(m_mutex);
    std::vector<std::pair<Origin, std::string>> owed;
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
