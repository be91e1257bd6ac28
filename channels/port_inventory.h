// SPDX-License-Identifier: MIT
// The devices a printer may be reached by on this machine, with what they say about themselves,
// and the identity by which a port stays bound to one of them across re-plugging.
//
// Serial devices come from /sys/class/tty: USB adapters (ttyUSB*, ttyACM*), Bluetooth (rfcomm*)
// and on-board UARTs that really have a chip (ttyS* whose port type is not 0), with the stable
// name under /dev/serial/by-id and the USB device's vendor:product, maker, product and serial
// number. Printers come from the USB printer class (/sys/class/usbmisc/lp*, /dev/usb/lp*) with the
// IEEE 1284 device ID the printer reports, and from the parallel port driver (/dev/lp*) with what
// the port's probe read. Everything is read from files under a root directory, "/" on a real
// machine and a tree of plain files and links in the tests.
//
// An identity is a text: "serial:by-id:usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0" for a device
// with a stable name, "printer:MFG=…;MDL=…;SN=…" for a printer that reports who it is, and
// "path:/dev/ttyS0" for the rest and for a path the user typed.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "channels/access_advice.h"
#include "channels/devices.h"

namespace mpt {

// Who asks: whether they may open a device is decided from its owner, group and mode.
struct Credentials {
    uid_t uid = 0;
    std::vector<gid_t> groups;  // the primary group among them

    static Credentials ofThisProcess();
};

struct DevicePresent {
    enum class Kind { Serial, Printer };
    Kind kind = Kind::Serial;
    std::string node;     // /dev/ttyUSB0, /dev/usb/lp0
    std::string byId;     // /dev/serial/by-id/…, or empty
    std::string usbId;    // "0403:6001", or empty
    std::string maker;    // USB manufacturer string, or the printer's MFG
    std::string product;  // USB product string, or the printer's MDL
    std::string serial;   // USB serial number, or the printer's SN
    // Where the credentials asked with may not open it: what would let the user in.
    std::optional<AccessAdvice> advice;

    bool mayOpen() const { return !advice; }

    std::string identity() const;
};

// The devices present under `root`, serial ones first, each kind in the order of its node's name.
std::vector<DevicePresent> devicesPresent(const std::string& root = "/",
                                          const Credentials& who = Credentials::ofThisProcess());

// The identity a typed path gets: a device present is kept by its own identity, anything else by
// its path.
std::string identityOfPath(const std::string& path, const std::vector<DevicePresent>& present);

// Where an identity leads among the devices present: the node, or nothing when it is absent. A
// "path:" identity leads to its path, present or not.
std::optional<std::string> nodeOf(const std::string& identity,
                                  const std::vector<DevicePresent>& present);

// What a device present says about itself, read by opening it for a moment: only where no other
// program holds it (its UUCP lock file names a live process, or it refuses to be shared), and
// nothing where it cannot tell.
std::optional<DeviceState> peekDeviceState(const DevicePresent& device,
                                           const std::string& root = "/");

// What an identity names: a device by its stable name under /dev/serial/by-id (`name`), a printer
// by what it reports (`maker`, `product`, `serial`), or a path (`name`).
struct IdentityParts {
    enum class Kind { SerialById, Printer, Path };
    Kind kind = Kind::Path;
    std::string name;
    std::string maker;
    std::string product;
    std::string serial;
};
IdentityParts identityParts(const std::string& identity);

}  // namespace mpt
