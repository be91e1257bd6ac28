// The POSIX implementations behind systemDevices(): a serial port opened in raw mode and an
// output device file. Internal to the channels.
#pragma once

#include <memory>
#include <stop_token>
#include <string>

#include "channels/devices.h"

namespace mpt {

std::unique_ptr<SerialLine> openPosixSerial(const std::string& devicePath,
                                            const LineSettings& settings, int handshaking,
                                            DeviceObserver* observer, std::stop_token stop);
std::unique_ptr<OutputFile> openPosixOutput(const std::string& devicePath, DeviceObserver* observer,
                                            std::stop_token stop);

}  // namespace mpt
