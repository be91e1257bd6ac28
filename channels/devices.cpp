// SPDX-License-Identifier: MIT
#include "channels/devices.h"

#include <charconv>
#include <cstdlib>

#include "channels/errors.h"

namespace mpt {

namespace {

bool parseInt(std::string_view text, int& value) {
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

}  // namespace

LineSettings parseSettings(std::string_view text) {
    const auto invalid = [&] {
        return makeError(err::kInvalidPropertyValue,
                         {.fault = Fault::BadSettings, .seen = std::string(text)});
    };
    std::string_view fields[4];
    size_t count = 0;
    std::string_view rest = text;
    while (true) {
        const size_t comma = rest.find(',');
        if (count == 4) {
            throw invalid();
        }
        fields[count++] = rest.substr(0, comma);
        if (comma == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(comma + 1);
    }
    LineSettings s;
    if (count != 4 || !parseInt(fields[0], s.baud) || s.baud <= 0 || fields[1].size() != 1 ||
        !parseInt(fields[2], s.dataBits) || s.dataBits < 5 || s.dataBits > 8 ||
        !parseInt(fields[3], s.stopBits) || (s.stopBits != 1 && s.stopBits != 2)) {
        throw invalid();
    }
    const char parity = static_cast<char>(fields[1][0] | 0x20);  // either case
    if (parity != 'n' && parity != 'e' && parity != 'o' && parity != 'm' && parity != 's') {
        throw invalid();
    }
    s.parity = parity;
    return s;
}

void RunContext::throwIfStopped(RunStopped::At at) const {
    if (stop.stop_requested()) {
        throw RunStopped(0, at);
    }
}

PortMap Devices::portMap() const {
    std::lock_guard lock(m_mutex);
    return m_map;
}

void Devices::setPortMap(PortMap map) {
    std::lock_guard lock(m_mutex);
    m_map = std::move(map);
}

RunContext Devices::startRun(DeviceObserver* observer, std::stop_token stop) const {
    return {portMap(), observer, std::move(stop), false, {}};
}

std::unique_ptr<SerialLine> Devices::openSerial(int portNumber, const LineSettings& settings,
                                                int handshaking) {
    RunContext run = startRun();
    return openSerial(run, portNumber, settings, handshaking);
}

std::unique_ptr<OutputFile> Devices::openLpt1() {
    RunContext run = startRun();
    return openLpt1(run);
}

std::chrono::milliseconds noProgressLimit() {
    int ms = 0;
    if (const char* text = std::getenv("MPT_IO_TIMEOUT_MS");
        text != nullptr && parseInt(text, ms) && ms > 0) {
        return std::chrono::milliseconds(ms);
    }
    return std::chrono::seconds(30);
}

}  // namespace mpt
