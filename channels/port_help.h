// SPDX-License-Identifier: MIT
// Help for finding the printer's port on this machine: which serial devices exist (with their
// stable names), and where the console's port numbers and "lpt1 " lead. The core words them
// (core/wording.h).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "channels/devices.h"
#include "channels/errors.h"

namespace mpt {

// The serial devices that exist under `root`, as the Ports dialog lists them (see devicesPresent).
std::vector<SerialDevicePresent> serialDevicesPresent(const std::string& root = "/");

// Where one of the ports the buttons use leads, and whether anything is there.
struct PortMapping {
    std::string port;  // "COM1", "lpt1"
    PortRoute route;
    bool present = false;  // the device exists, or is a network address
};

// The ports the buttons use: COM1, COM`usbPort` for the USB button where it is another, and lpt1.
std::vector<PortMapping> portMappingsOf(int usbPort, const PortMap& map = {});

// The ports a run may use, each once and in order of number: COM1, COM`n` for each of `usbPorts`
// (the USB routine's), every bound serial port; then lpt1. Each with where it leads (--ports, a
// suite's report).
std::vector<std::pair<std::string, PortRoute>> portRoutesOf(const std::vector<int>& usbPorts,
                                                            const PortMap& map);

// What decided a route, as scripts read it: "virtual", "environment", "binding", "default".
const char* routeKey(PortRoute::By by);

}  // namespace mpt
