// Port help: where the buttons' ports lead, which serial devices a missing port could be mapped
// to, and which group a refused user must join.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "channels/errors.h"
#include "channels/port_help.h"
#include "support/pty.h"

namespace mpt {
namespace {

using testing::ScopedEnv;

TEST(PortHelp, MappingsNameEachPortsDeviceAndMarkMissingOnes) {
    testing::PtyPrinter printer;
    ScopedEnv com1("MPT_COM1", printer.devicePath());
    ScopedEnv com3("MPT_COM3", "/dev/no-such-usb-port");
    ScopedEnv lpt("MPT_LPT1", "/dev/null");
    EXPECT_EQ(portMappings(3), "COM1 → " + printer.devicePath() +
                                   ", COM3 → /dev/no-such-usb-port (missing), lpt1 → /dev/null");
    EXPECT_EQ(portMappings(1), "COM1 → " + printer.devicePath() + ", lpt1 → /dev/null");
}

TEST(PortHelp, AMissingSerialPortListsTheDevicesPresent) {
    const ConsoleError error = systemError(ENOENT, Step::OpenSerial, "/dev/ttyUSB9");
    EXPECT_EQ(error.number(), 8002);
    EXPECT_EQ(error.detail().rfind("/dev/ttyUSB9: No such file or directory. ", 0), 0u)
        << error.detail();
    const auto present = serialDevicesPresent();
    if (present.empty()) {
        EXPECT_NE(error.detail().find("No serial device is present"), std::string::npos);
    } else {
        EXPECT_NE(error.detail().find("Serial devices present: " + present.front().path),
                  std::string::npos)
            << error.detail();
    }
    for (const SerialDevicePresent& device : present) {
        EXPECT_EQ(::access(device.path.c_str(), F_OK), 0) << device.path;
    }
}

// The group to join is the one that owns the device, whichever the distribution uses.
TEST(PortHelp, ARefusedUserIsToldTheDevicesGroup) {
    char dir[] = "/tmp/mpt-group-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string device = std::string(dir) + "/ttyUSB0";
    std::ofstream(device).put('x');
    const group* uucp = ::getgrnam("uucp");
    const group* other = uucp != nullptr ? uucp : ::getgrnam("dialout");
    if (other == nullptr || ::chown(device.c_str(), static_cast<uid_t>(-1), other->gr_gid) != 0) {
        ::unlink(device.c_str());
        ::rmdir(dir);
        GTEST_SKIP() << "cannot give a file to another group here";
    }
    const std::string name = other->gr_name;
    const ConsoleError serial = systemError(EACCES, Step::OpenSerial, device);
    EXPECT_EQ(serial.number(), 70);
    EXPECT_NE(serial.detail().find("join the " + name + " group"), std::string::npos)
        << serial.detail();
    ::unlink(device.c_str());
    // Where the file is gone or root's, the usual group of the kind of device.
    EXPECT_EQ(groupToJoin(device, true), "dialout");
    EXPECT_EQ(groupToJoin(device, false), "lp");
    ::rmdir(dir);
}

}  // namespace
}  // namespace mpt
