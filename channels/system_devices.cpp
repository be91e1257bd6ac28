// SPDX-License-Identifier: MIT
// The devices of this system (serial ports, device files, network printers) and the dry-run set:
// each opening follows the run's own port map and tells the run's observer.
#include <sys/stat.h>

#include <memory>
#include <string>

#include "channels/devices.h"
#include "channels/network.h"
#include "channels/posix_devices.h"

namespace mpt {

namespace {

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

// A serial line or an output file opened to ask questions.
template <typename Line>
class AskingLine final : public AskingPort {
  public:
    explicit AskingLine(std::unique_ptr<Line> line) : m_line(std::move(line)) {}
    Reply ask(std::string_view question, const AnswerEnd& end,
              std::chrono::milliseconds limit) override {
        return m_line->ask(question, end, limit);
    }
    void close() override { m_line->close(); }

  private:
    std::unique_ptr<Line> m_line;
};

// Whether the path leads to a device, which may answer; a FIFO or a plain file never does.
bool isDevice(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

// Opens "lpt1 " where `route` leads, a network printer or a device or file, for `run`; with
// `readBack` a device is opened for reading its printer's answers as well.
std::unique_ptr<OutputFile> openLpt1At(const RunContext& run, const PortRoute& route,
                                       bool readBack) {
    const std::string& path = route.path;
    return openBound(route, "lpt1", [&] {
        return isNetworkAddress(path) ? openTcpOutput(path, run.observer, run.stop)
                                      : openPosixOutput(path, run.observer, run.stop, readBack);
    });
}

class SystemDevices final : public Devices {
  public:
    using Devices::Devices;
    using Devices::openLpt1;
    using Devices::openSerial;

    std::unique_ptr<SerialLine> openSerial(RunContext& run, int portNumber,
                                           const LineSettings& settings, int handshaking) override {
        const std::string port = portName(portNumber);
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
        return told(run, openLpt1At(run, route, false), "lpt1", path);
    }

    std::unique_ptr<AskingPort> openToAsk(int portNumber) override {
        RunContext run = startRun();
        if (portNumber > 0) {
            const std::string path = serialRoute(portNumber, run.map).path;
            if (!path.empty() && !isNetworkAddress(path) && pathExists(path) && !isDevice(path)) {
                return nullptr;
            }
            // As the routines open it, with the errors of a missing or refused port.
            auto line = openSerial(run, portNumber, LineSettings{}, 2);
            return std::make_unique<AskingLine<SerialLine>>(std::move(line));
        }
        const PortRoute route = lpt1Route(run.map);
        const std::string& path = route.path;
        if (!path.empty() && !isNetworkAddress(path) && !isDevice(path)) {
            return nullptr;  // a FIFO, a file, or one still to be made
        }
        if (path.empty()) {
            return std::make_unique<AskingLine<OutputFile>>(openLpt1(run));  // raises
        }
        return std::make_unique<AskingLine<OutputFile>>(openLpt1At(run, route, true));
    }
};

// Takes every byte at once and tells the observer so: the dry run's file, and below its port.
template <typename Channel>
class TakesEverything : public Channel {
  public:
    explicit TakesEverything(DeviceObserver* observer) : m_observer(observer) {}
    void write(std::string_view bytes) override {
        if (m_observer != nullptr) {
            m_observer->taken(bytes.size());
        }
    }
    void close() override {}

  private:
    DeviceObserver* m_observer;
};

using DryRunFile = TakesEverything<OutputFile>;

class DryRunSerial final : public TakesEverything<SerialLine> {
  public:
    using TakesEverything::TakesEverything;
    void apply(const LineSettings&) override {}
    void setHandshaking(int) override {}
};

class DryRunDevices final : public Devices {
  public:
    using Devices::openLpt1;
    using Devices::openSerial;

    std::unique_ptr<SerialLine> openSerial(RunContext& run, int portNumber, const LineSettings&,
                                           int) override {
        return told(run, std::make_unique<DryRunSerial>(run.observer), portName(portNumber),
                    kDryRunDevice);
    }
    std::unique_ptr<OutputFile> openLpt1(RunContext& run) override {
        return told(run, std::make_unique<DryRunFile>(run.observer), "lpt1", kDryRunDevice);
    }
};

}  // namespace

std::unique_ptr<Devices> systemDevices(PortMap map) {
    return std::make_unique<SystemDevices>(std::move(map));
}
std::unique_ptr<Devices> dryRunDevices() {
    return std::make_unique<DryRunDevices>();
}

}  // namespace mpt
