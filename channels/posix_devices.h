// SPDX-License-Identifier: MIT
// The POSIX implementations behind systemDevices(): a serial port opened in raw mode and an
// output device file. Internal to the channels.
#pragma once

#include <sys/types.h>

#include <memory>
#include <stop_token>
#include <string>

#include "channels/devices.h"
#include "channels/paths.h"

namespace mpt {

// A serial port's UUCP lock file, released when its last holder lets go.
class PortClaim;

// The live process whose UUCP lock file claims the serial device, or 0.
pid_t serialPortHolder(const std::string& devicePath);

// Opens the serial device. `claim` is the port's claim where the run already holds it; where it
// is empty, the port is claimed here and `claim` holds it after. `root` is where the port map
// looks for devices: a missing device's error lists the serial devices there.
std::unique_ptr<SerialLine> openPosixSerial(const std::string& devicePath,
                                            const LineSettings& settings, int handshaking,
                                            DeviceObserver* observer, std::stop_token stop,
                                            std::shared_ptr<PortClaim>& claim,
                                            const std::string& root = "/");
// A port that leads to "tcp://HOST:PORT" (see network.h). Opening failures are the port's own
// "not there" errors: "Invalid port number" for a serial port, "Device unavailable" for "lpt1 ".
std::unique_ptr<SerialLine> openTcpSerial(const std::string& address, DeviceObserver* observer,
                                          std::stop_token stop);
std::unique_ptr<OutputFile> openTcpOutput(const std::string& address, DeviceObserver* observer,
                                          std::stop_token stop);
// `readBack`: opened for reading too, so that a printer device can answer questions (see
// OutputFile::ask); only ever asked for a character device.
std::unique_ptr<OutputFile> openPosixOutput(const std::string& devicePath, DeviceObserver* observer,
                                            std::stop_token stop, bool readBack = false);

}  // namespace mpt
