// SPDX-License-Identifier: MIT
#include "channels/port_help.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "channels/devices.h"
#include "channels/network.h"
#include "channels/port_inventory.h"
#include "channels/posix_devices.h"
#include "channels/texts.h"

namespace mpt {

std::vector<SerialDevicePresent> serialDevicesPresent() {
    std::vector<SerialDevicePresent> found;
    for (const DevicePresent& device : devicesPresent()) {
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

std::string serialDevicesLine() {
    const std::vector<SerialDevicePresent> devices = serialDevicesPresent();
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

namespace {

std::string ownerAndMode(const struct stat& st) {
    const passwd* user = ::getpwuid(st.st_uid);
    const group* grp = ::getgrgid(st.st_gid);
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    return fill(translate("Ports", "owned by %1:%2 with mode %3"),
                {user != nullptr ? std::string(user->pw_name) : std::to_string(st.st_uid),
                 grp != nullptr ? std::string(grp->gr_name) : std::to_string(st.st_gid), mode});
}

}  // namespace

std::string accessAdvice(const std::string& devicePath) {
    struct stat st {};
    if (::stat(devicePath.c_str(), &st) == 0) {
        const group* grp = ::getgrgid(st.st_gid);
        if ((st.st_mode & S_IWGRP) != 0 && st.st_gid != 0 && grp != nullptr) {
            return fill(translate("Ports", "join the %1 group, then log in again"), {grp->gr_name});
        }
        return fill(translate("Ports",
                              "%1, so no group may write to it; ask for write access, "
                              "or run as its owner"),
                    {ownerAndMode(st)});
    }
    // The directory the file would really go in, not the one its path spells.
    const std::string directory = newFilePlace(devicePath).directory;
    if (!directory.empty() && ::stat(directory.c_str(), &st) == 0) {
        return fill(translate("Ports", "it cannot be made in %1, %2"),
                    {directory, ownerAndMode(st)});
    }
    return translate("Ports", "neither it nor its directory can be looked at");
}

}  // namespace mpt
