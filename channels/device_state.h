// SPDX-License-Identifier: MIT
// What an open device says about itself, a fact the devices report and errors carry.
#pragma once

namespace mpt {

// What a device says about itself without a byte being sent: a serial port's modem lines, a
// parallel or USB printer's status. Devices that cannot tell (a pseudo-terminal, a FIFO, a plain
// file) report nothing at all.
struct DeviceState {
    enum class Kind { Serial, Printer };
    Kind kind = Kind::Serial;
    bool cts = false;       // serial: clear to send, the printer takes data
    bool dsr = false;       // serial: data set ready, the printer is on and connected
    bool dcd = false;       // serial: carrier detect
    bool paperOut = false;  // printer
    bool offLine = false;
    bool error = false;

    bool operator==(const DeviceState&) const = default;
};

}  // namespace mpt
