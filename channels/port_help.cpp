// SPDX-License-Identifier: MIT
#include "channels/port_help.h"

#include <string>
#include <vector>

#include "channels/devices.h"
#include "channels/network.h"
#include "channels/port_inventory.h"
#include "channels/posix_devices.h"
#include "channels/texts.h"

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

std::string portMappings(int usbPort, const PortMap& map) {
    const auto describe = [](const std::string& name, const PortRoute& route) {
        if (route.path.empty()) {
            return name + " → " +
                   (route.identity.empty() ? translate("Ports", "nothing")
                                           : fill(translate("Ports", "%1 (not plugged in)"),
                                                  {identityInWords(route.identity)}));
        }
        return name + " → " +
               (pathExists(route.path) || isNetworkAddress(route.path)
                    ? route.path
                    : fill(translate("Ports", "%1 (missing)"), {route.path}));
    };
    std::string text = describe("COM1", serialRoute(1, map));
    if (usbPort != 1 && usbPort >= 1) {
        text += ", " + describe("COM" + std::to_string(usbPort), serialRoute(usbPort, map));
    }
    return text + ", " + describe("lpt1", lpt1Route(map));
}

std::string serialDevicesLine(const std::string& root) {
    const std::vector<SerialDevicePresent> devices = serialDevicesPresent(root);
    if (devices.empty()) {
        return translate("Ports",
                         "No serial device is present on this machine; plug in the "
                         "printer's cable or adapter.");
    }
    std::string list;
    for (size_t i = 0; i < devices.size(); ++i) {
        list += (i == 0 ? "" : ", ") + devices[i].path;
        if (!devices[i].stableName.empty()) {
            list += " (" + devices[i].stableName + ")";
        }
    }
    return fill(
        translate("Ports", "Serial devices present: %1. Map a port to one with MPT_COM<n>=DEVICE."),
        {list});
}

}  // namespace mpt
