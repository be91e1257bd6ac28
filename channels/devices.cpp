// SPDX-License-Identifier: MIT
#include "channels/devices.h"

#include <charconv>
#include <cstdlib>

#include "channels/errors.h"
#include "channels/network.h"
#include "channels/port_inventory.h"
#include "channels/posix_devices.h"

namespace mpt {

namespace {

bool parseInt(std::string_view text, int& value) {
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

// A port bound to a device that is absent: the port's own "not there" error, naming the device.
ConsoleError notPluggedIn(int number, const std::string& port, const std::string& identity) {
    ErrorFacts facts;
    facts.fault = Fault::NotPluggedIn;
    facts.device = port;
    facts.identity = identity;
    return makeError(number, std::move(facts));
}

// An opening that failed on a port a binding decided: the error also names the binding and where
// it is changed, since the environment variable the detail may suggest is not what decided it.
template <typename Open>
auto openBound(const PortRoute& route, const std::string& port, Open open) {
    if (route.by != PortRoute::By::Binding) {
        return open();
    }
    try {
        return open();
    } catch (ConsoleError& error) {
        error.facts().boundPort = port;
        error.facts().boundIdentity = route.identity;
        throw;
    }
}

// Tells the run's observer which device a channel opened.
template <typename Channel>
std::unique_ptr<Channel> told(const RunContext& run, std::unique_ptr<Channel> channel,
                              const std::string& port, const std::string& path) {
    if (run.observer != nullptr) {
        run.observer->opened(port, path);
    }
    return channel;
}

class SystemDevices final : public Devices {
  public:
    using Devices::Devices;
    using Devices::openLpt1;
    using Devices::openSerial;

    std::unique_ptr<SerialLine> openSerial(RunContext& run, int portNumber,
                                           const LineSettings& settings, int handshaking) override {
        const std::string port = "COM" + std::to_string(portNumber);
        const PortRoute route = serialRoute(portNumber, run.map);
        if (route.path.empty()) {
            throw notPluggedIn(err::kInvalidPortNumber, port, route.identity);
        }
        const std::string& path = route.path;
        if (isNetworkAddress(path)) {
            return told(
                run,
                openBound(route, port, [&] { return openTcpSerial(path, run.observer, run.stop); }),
                port, path);
        }
        std::shared_ptr<PortClaim> claim;
        if (const auto kept = run.claims.find(path); kept != run.claims.end()) {
            claim = kept->second;
        }
        std::unique_ptr<SerialLine> line;
        try {
            line = openBound(route, port, [&] {
                return openPosixSerial(path, settings, handshaking, run.observer, run.stop, claim,
                                       run.map.root);
            });
        } catch (const ConsoleError& error) {
            // The run had this port open for an earlier page: it has not gone missing, it was
            // unplugged.
            if (run.keepsClaims && run.claims.count(path) != 0 &&
                error.number() == err::kInvalidPortNumber) {
                ErrorFacts facts = error.facts();
                facts.openEarlier = true;
                throw makeError(err::kDeviceIoError, std::move(facts));
            }
            throw;
        }
        if (run.keepsClaims && claim) {
            run.claims.emplace(path, claim);
        }
        return told(run, std::move(line), port, path);
    }
    std::unique_ptr<OutputFile> openLpt1(RunContext& run) override {
        const PortRoute route = lpt1Route(run.map);
        if (route.by == PortRoute::By::Binding && route.path.empty()) {
            throw notPluggedIn(err::kDeviceUnavailable, "lpt1", route.identity);
        }
        const std::string& path = route.path;
        if (path.empty()) {
            throw makeError(err::kDeviceUnavailable, {.fault = Fault::NoLpt1, .device = "lpt1"});
        }
        auto file = openBound(route, "lpt1", [&] {
            return isNetworkAddress(path) ? openTcpOutput(path, run.observer, run.stop)
                                          : openPosixOutput(path, run.observer, run.stop);
        });
        return told(run, std::move(file), "lpt1", path);
    }
};

// Takes every byte at once and tells the observer so.
class DryRunSerial final : public SerialLine {
  public:
    explicit DryRunSerial(DeviceObserver* observer) : m_observer(observer) {}
    void apply(const LineSettings&) override {}
    void setHandshaking(int) override {}
    void write(std::string_view bytes) override {
        if (m_observer != nullptr) {
            m_observer->taken(bytes.size());
        }
    }
    void close() override {}

  private:
    DeviceObserver* m_observer;
};

class DryRunFile final : public OutputFile {
  public:
    explicit DryRunFile(DeviceObserver* observer) : m_observer(observer) {}
    void write(std::string_view bytes) override {
        if (m_observer != nullptr) {
            m_observer->taken(bytes.size());
        }
    }
    void close() override {}

  private:
    DeviceObserver* m_observer;
};

class DryRunDevices final : public Devices {
  public:
    using Devices::openLpt1;
    using Devices::openSerial;

    std::unique_ptr<SerialLine> openSerial(RunContext& run, int portNumber, const LineSettings&,
                                           int) override {
        return told(run, std::make_unique<DryRunSerial>(run.observer),
                    "COM" + std::to_string(portNumber), kDryRunDevice);
    }
    std::unique_ptr<OutputFile> openLpt1(RunContext& run) override {
        return told(run, std::make_unique<DryRunFile>(run.observer), "lpt1", kDryRunDevice);
    }
};

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

void RunContext::throwIfStopped() const {
    if (stop.stop_requested()) {
        throw RunStopped();
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

std::string Devices::serialPath(int portNumber) const {
    return serialDevicePath(portNumber, portMap());
}

std::string Devices::lpt1Path() const {
    return lpt1DevicePath(portMap());
}

namespace {

PortRoute bound(const std::string& identity, const PortMap& map) {
    PortRoute route;
    route.by = PortRoute::By::Binding;
    route.identity = identity;
    route.path = nodeOf(identity, devicesPresent(map.root)).value_or("");
    return route;
}

}  // namespace

PortRoute serialRoute(int portNumber, const PortMap& map) {
    if (const auto mapped = map.serial.find(portNumber); mapped != map.serial.end()) {
        return {PortRoute::By::Virtual, mapped->second, {}};
    }
    const std::string variable = "MPT_COM" + std::to_string(portNumber);
    if (const char* mapped = std::getenv(variable.c_str()); mapped != nullptr && *mapped != '\0') {
        return {PortRoute::By::Environment, mapped, {}};
    }
    if (const auto binding = map.boundSerial.find(portNumber); binding != map.boundSerial.end()) {
        return bound(binding->second, map);
    }
    return {PortRoute::By::Default, "/dev/ttyS" + std::to_string(portNumber - 1), {}};
}

PortRoute lpt1Route(const PortMap& map) {
    if (!map.lpt1.empty()) {
        return {PortRoute::By::Virtual, map.lpt1, {}};
    }
    if (const char* mapped = std::getenv("MPT_LPT1"); mapped != nullptr && *mapped != '\0') {
        return {PortRoute::By::Environment, mapped, {}};
    }
    if (!map.boundLpt1.empty()) {
        return bound(map.boundLpt1, map);
    }
    for (const char* candidate : {"/dev/lp0", "/dev/usb/lp0"}) {
        if (pathExists(candidate)) {
            return {PortRoute::By::Default, candidate, {}};
        }
    }
    return {};
}

std::string serialDevicePath(int portNumber, const PortMap& map) {
    return serialRoute(portNumber, map).path;
}

std::string lpt1DevicePath(const PortMap& map) {
    return lpt1Route(map).path;
}

std::chrono::milliseconds noProgressLimit() {
    int ms = 0;
    if (const char* text = std::getenv("MPT_IO_TIMEOUT_MS");
        text != nullptr && parseInt(text, ms) && ms > 0) {
        return std::chrono::milliseconds(ms);
    }
    return std::chrono::seconds(30);
}

std::unique_ptr<Devices> systemDevices(PortMap map) {
    return std::make_unique<SystemDevices>(std::move(map));
}
std::unique_ptr<Devices> dryRunDevices() {
    return std::make_unique<DryRunDevices>();
}

}  // namespace mpt
