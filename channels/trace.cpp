// SPDX-License-Identifier: MIT
#include "channels/trace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace mpt {

int openTraceFile(const std::string& path, std::ofstream& out) {
    // Non-blocking, a FIFO without a reader fails (ENXIO) instead of waiting; opened so once, a
    // FIFO has its reader and the stream's own opening below does not wait either.
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
        return errno;
    }
    out.open(path, std::ios::binary | std::ios::trunc);
    const int error = out ? 0 : errno != 0 ? errno : EIO;
    ::close(fd);
    return error;
}

std::string toHex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        hex.push_back(kDigits[b >> 4]);
        hex.push_back(kDigits[b & 0x0F]);
    }
    return hex;
}

std::size_t utf8Length(std::string_view text) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const auto cont = [&](std::size_t i) { return i < text.size() && (b(i) & 0xC0) == 0x80; };
    const unsigned char lead = b(0);
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return cont(1) ? 2 : 0;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        // No overlong forms (E0 below A0) and no surrogates (ED from A0).
        const bool second =
            cont(1) && !(lead == 0xE0 && b(1) < 0xA0) && !(lead == 0xED && b(1) >= 0xA0);
        return second && cont(2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const bool second =
            cont(1) && !(lead == 0xF0 && b(1) < 0x90) && !(lead == 0xF4 && b(1) >= 0x90);
        return second && cont(2) && cont(3) ? 4 : 0;
    }
    return 0;
}

std::string jsonString(std::string_view text) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80) {
            const std::size_t length = utf8Length(text.substr(i));
            if (length == 0) {
                out += "\xEF\xBF\xBD";
            } else {
                out.append(text.substr(i, length));
                i += length - 1;
            }
            continue;
        }
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (b < 0x20 || b == 0x7F) {
                    out += "\\u00";
                    out.push_back(kDigits[b >> 4]);
                    out.push_back(kDigits[b & 0x0F]);
                } else {
                    out.push_back(c);
                }
        }
    }
    out += '"';
    return out;
}

void Trace::line(const std::string& json) {
    if (m_out == nullptr) {
        return;
    }
    errno = 0;
    *m_out << json << '\n';
    m_out->flush();
    if (!*m_out) {
        const int error = errno;
        std::lock_guard lock(m_mutex);
        m_failure = Failure{m_name, error};
        m_out = nullptr;  // nothing more can be trusted to arrive
    }
}

std::optional<Trace::Failure> Trace::failure() const {
    std::lock_guard lock(m_mutex);
    return m_failure;
}

namespace {

const char* boolean(bool value) {
    return value ? "true" : "false";
}

// Where a stop took effect: "step" (before an opening or a write), "write", "close", or "end"
// (once the routine had taken its last step).
const char* stopPlace(RunStopped::At at) {
    switch (at) {
        case RunStopped::At::Write: return "write";
        case RunStopped::At::Close: return "close";
        case RunStopped::At::End: return "end";
        case RunStopped::At::Step: break;
    }
    return "step";
}

// Each event's line.
struct Json {
    std::string operator()(const event::TextRead& e) const {
        return R"({"op":"GetText","control":)" + jsonString(e.control) + R"(,"text":)" +
               jsonString(e.text) + "}";
    }
    std::string operator()(const event::TextWritten& e) const {
        return R"({"op":"SetText","control":)" + jsonString(e.control) + R"(,"text":)" +
               jsonString(e.text) + "}";
    }
    std::string operator()(const event::CommPortSet& e) const {
        return R"({"op":"CommPort","value":)" + std::to_string(e.port) + "}";
    }
    std::string operator()(const event::PortOpenSet& e) const {
        return std::string(R"({"op":"PortOpen","value":)") + boolean(e.open) + "}";
    }
    std::string operator()(const event::SettingsSet& e) const {
        return R"({"op":"Settings","value":)" + jsonString(e.settings) + "}";
    }
    std::string operator()(const event::HandshakingSet& e) const {
        return R"({"op":"Handshaking","value":)" + std::to_string(e.mode) + "}";
    }
    std::string operator()(const event::Output& e) const {
        return R"({"op":"Output","hex":")" + toHex(e.bytes) + "\"}";
    }
    std::string operator()(const event::Asked& e) const {
        return R"({"op":"Ask","hex":")" + toHex(e.bytes) + "\"}";
    }
    std::string operator()(const event::Answered& e) const {
        return R"({"op":"Answer","hex":")" + toHex(e.bytes) + "\"}";
    }
    std::string operator()(const event::FileOpened& e) const {
        return R"({"op":"Open","name":)" + jsonString(e.name) + R"(,"file":)" +
               std::to_string(e.fileNumber) + "}";
    }
    std::string operator()(const event::Printed& e) const {
        return R"({"op":"Print","hex":")" + toHex(e.bytes) + "\"}";
    }
    std::string operator()(const event::FileClosed& e) const {
        return R"({"op":"Close","file":)" + std::to_string(e.fileNumber) + "}";
    }
    std::string operator()(const event::Failed& e) const {
        std::string json = R"({"op":"Error","number":)" + std::to_string(e.number) + R"(,"text":)" +
                           jsonString(e.text);
        if (!e.detail.empty()) {
            json += R"(,"detail":)" + jsonString(e.detail);
        }
        return json + "}";
    }
    // A serial port's modem lines, a printer's status.
    std::string operator()(const event::StateSeen& e) const {
        const DeviceState& s = e.state;
        if (s.kind == DeviceState::Kind::Serial) {
            return std::string(R"({"op":"Lines","cts":)") + boolean(s.cts) + R"(,"dsr":)" +
                   boolean(s.dsr) + R"(,"dcd":)" + boolean(s.dcd) + "}";
        }
        return std::string(R"({"op":"PrinterStatus","paperOut":)") + boolean(s.paperOut) +
               R"(,"onLine":)" + boolean(!s.offLine) + R"(,"error":)" + boolean(s.error) + "}";
    }
    std::string operator()(const event::Stopped& e) const {
        return R"({"op":"Stop","notTaken":)" + std::to_string(e.notTaken) + R"(,"at":)" +
               jsonString(stopPlace(e.at)) + "}";
    }
};

}  // namespace

void Trace::record(const RunEvent& event) {
    if (enabled()) {
        line(std::visit(Json{}, event));
    }
}

}  // namespace mpt
