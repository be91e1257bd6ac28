// SPDX-License-Identifier: MIT
#include "channels/port_help.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "channels/devices.h"
#include "channels/network.h"
#include "channels/paths.h"
#include "channels/port_inventory.h"

namespace mpt {

std::vector<SerialDevicePresent> serialDevicesPresent(const std::string& root) {
    std::vector<SerialDevicePresent> found;
    for (const DevicePresent& device : devicesPresent(root)) {
        if (device.kind == DevicePresent::Kind::Serial) {
            found.push_back({device.node, device.byId});
        }
    }
    return found;
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

std::string Devices::serialPath(int portNumber) const {
    return serialDevicePath(portNumber, portMap());
}

std::string Devices::lpt1Path() const {
    return lpt1DevicePath(portMap());
}

std::vector<PortMapping> portMappingsOf(int usbPort, const PortMap& map) {
    const auto mapping = [](std::string port, PortRoute route) {
        const bool present =
            !route.path.empty() && (pathExists(route.path) || isNetworkAddress(route.path));
        return PortMapping{std::move(port), std::move(route), present};
    };
    std::vector<PortMapping> mappings{mapping("COM1", serialRoute(1, map))};
    if (usbPort != 1 && usbPort >= 1) {
        mappings.push_back(mapping(portName(usbPort), serialRoute(usbPort, map)));
    }
    mappings.push_back(mapping("lpt1", lpt1Route(map)));
    return mappings;
}

std::vector<std::pair<std::string, PortRoute>> portRoutesOf(const std::vector<int>& usbPorts,
                                                            const PortMap& map) {
    std::vector<int> serial{1};
    serial.insert(serial.end(), usbPorts.begin(), usbPorts.end());
    for (const auto& [number, identity] : map.boundSerial) {
        serial.push_back(number);
    }
    std::sort(serial.begin(), serial.end());
    serial.erase(std::unique(serial.begin(), serial.end()), serial.end());
    std::vector<std::pair<std::string, PortRoute>> routes;
    for (const int number : serial) {
        routes.emplace_back(portName(number), serialRoute(number, map));
    }
    routes.emplace_back("lpt1", lpt1Route(map));
    return routes;
}

const char* routeKey(PortRoute::By by) {
    switch (by) {
        case PortRoute::By::Virtual: return "virtual";
        case PortRoute::By::Environment: return "environment";
        case PortRoute::By::Binding: return "binding";
        case PortRoute::By::Default: return "default";
    }
    return "default";
}

}  // namespace mpt
