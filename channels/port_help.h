// SPDX-License-Identifier: MIT
// Help for finding the printer's port on this machine: which serial devices exist (with their
// stable names), where the console's port numbers and "lpt1 " lead, and which group a user must
// join to open a device that refuses them.
#pragma once

#include <string>
#include <vector>

#include "channels/access_advice.h"  // accessAdvice, offered with the port help
#include "channels/devices.h"

namespace mpt {

struct SerialDevicePresent {
    std::string path;        // /dev/ttyUSB0
    std::string stableName;  // /dev/serial/by-id/usb-…, or empty where there is none
};

// The serial devices that exist under `root`, as the Ports dialog lists them (see devicesPresent).
std::vector<SerialDevicePresent> serialDevicesPresent(const std::string& root = "/");

// "COM1 → /dev/ttyS0, COM3 → /dev/ttyS2, lpt1 → /dev/lp0" for the ports the buttons use (1, and
// `usbPort` for the USB button); a device that does not exist is marked "(missing)".
std::string portMappings(int usbPort, const PortMap& map = {});

// One line naming the serial devices present, for an error box about a missing port.
std::string serialDevicesLine(const std::string& root = "/");

}  // namespace mpt
