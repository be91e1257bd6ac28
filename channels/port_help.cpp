// SPDX-License-Identifier: MIT
#include "channels/port_help.h"

#include <string>
#include <vector>

#include "channels/devices.h"
#include "channels/network.h"
#include "channels/port_inventory.h"
#include "channels/posix_devices.h"

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

std::vector<PortMapping> portMappingsOf(int usbPort, const PortMap& map) {
    const auto mapping = [](std::string port, PortRoute route) {
        const bool present =
            !route.path.empty() && (pathExists(route.path) || isNetworkAddress(route.path));
        return PortMapping{std::move(port), std::move(route), present};
    };
    std::vector<PortMapping> mappings{mapping("COM1", serialRoute(1, map))};
    if (usbPort != 1 && usbPort >= 1) {
        mappings.push_back(mapping("COM" + std::to_string(usbPort), serialRoute(usbPort, map)));
    }
    mappings.push_back(mapping("lpt1", lpt1Route(map)));
    return mappings;
}

}  // namespace mpt
