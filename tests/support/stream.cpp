// SPDX-License-Identifier: MIT
#include "support/stream.h"

#include <memory>
#include <sstream>

#include "channels/devices.h"
#include "core/dispatch.h"

namespace mpt::testing {

namespace {

TracedRun run(Devices& devices, const std::string& name, const std::string& count,
              const std::string& port) {
    std::ostringstream out;
    Trace trace(&out);
    TextBoxStore boxes(count, port);
    TracedRun result;
    {
        Console con(boxes, devices, trace);
        result.error = runRoutine(con, name).error;
    }
    result.txt2 = boxes.text("txt2");
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);) {
        result.lines.push_back(line);
    }
    return result;
}

}  // namespace

TracedRun runTraced(const std::string& name, const std::string& count, const std::string& port) {
    const auto devices = dryRunDevices();
    return run(*devices, name, count, port);
}

TracedRun runOnDevices(const std::string& name, const std::string& count, const std::string& port) {
    const auto devices = systemDevices();
    return run(*devices, name, count, port);
}

std::string field(const std::string& line, const std::string& key) {
    const std::string start = "\"" + key + "\":";
    const size_t at = line.find(start);
    if (at == std::string::npos) {
        return {};
    }
    size_t i = at + start.size();
    if (line[i] != '"') {
        const size_t end = line.find_first_of(",}", i);
        return line.substr(i, end - i);
    }
    std::string value;
    for (++i; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\') {
            ++i;
        }
        value.push_back(line[i]);
    }
    return value;
}

std::string fromHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

std::vector<std::string> TracedRun::writes() const {
    std::vector<std::string> result;
    for (const std::string& line : lines) {
        const std::string op = field(line, "op");
        if (op == "Output" || op == "Print") {
            result.push_back(fromHex(field(line, "hex")));
        }
    }
    return result;
}

std::string TracedRun::stream() const {
    std::string all;
    for (const std::string& w : writes()) {
        all += w;
    }
    return all;
}

std::vector<std::string> TracedRun::ops() const {
    std::vector<std::string> result;
    for (const std::string& line : lines) {
        result.push_back(field(line, "op"));
    }
    return result;
}

std::string times(int n, const std::string& s) {
    std::string out;
    for (int i = 0; i < n; ++i) {
        out += s;
    }
    return out;
}

}  // namespace mpt::testing
