#include "channels/trace.h"

namespace mpt {

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

std::string jsonString(std::string_view text) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
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
    if (m_out != nullptr) {
        *m_out << json << '\n';
        m_out->flush();
    }
}

void Trace::getText(std::string_view control, std::string_view text) {
    if (enabled()) {
        line(R"({"op":"GetText","control":)" + jsonString(control) + R"(,"text":)" +
             jsonString(text) + "}");
    }
}

void Trace::setText(std::string_view control, std::string_view text) {
    if (enabled()) {
        line(R"({"op":"SetText","control":)" + jsonString(control) + R"(,"text":)" +
             jsonString(text) + "}");
    }
}

void Trace::commPort(int value) {
    line(R"({"op":"CommPort","value":)" + std::to_string(value) + "}");
}

void Trace::portOpen(bool value) {
    line(std::string(R"({"op":"PortOpen","value":)") + (value ? "true" : "false") + "}");
}

void Trace::settings(std::string_view value) {
    if (enabled()) {
        line(R"({"op":"Settings","value":)" + jsonString(value) + "}");
    }
}

void Trace::handshaking(int value) {
    line(R"({"op":"Handshaking","value":)" + std::to_string(value) + "}");
}

void Trace::output(std::string_view bytes) {
    if (enabled()) {
        line(R"({"op":"Output","hex":")" + toHex(bytes) + "\"}");
    }
}

void Trace::open(std::string_view name, int fileNumber) {
    if (enabled()) {
        line(R"({"op":"Open","name":)" + jsonString(name) + R"(,"file":)" +
             std::to_string(fileNumber) + "}");
    }
}

void Trace::print(std::string_view bytes) {
    if (enabled()) {
        line(R"({"op":"Print","hex":")" + toHex(bytes) + "\"}");
    }
}

void Trace::close(int fileNumber) {
    line(R"({"op":"Close","file":)" + std::to_string(fileNumber) + "}");
}

void Trace::error(int number, std::string_view text, std::string_view detail) {
    if (!enabled()) {
        return;
    }
    std::string json =
        R"({"op":"Error","number":)" + std::to_string(number) + R"(,"text":)" + jsonString(text);
    if (!detail.empty()) {
        json += R"(,"detail":)" + jsonString(detail);
    }
    line(json + "}");
}

void Trace::stop(std::size_t notTaken) {
    line(R"({"op":"Stop","notTaken":)" + std::to_string(notTaken) + "}");
}

}  // namespace mpt
