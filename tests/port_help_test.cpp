// SPDX-License-Identifier: MIT
// Port help: where the buttons' ports lead, which serial devices a missing port could be mapped
// to, and which group a refused user must join.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

#include "channels/errors.h"
#include "channels/port_help.h"
#include "core/wording.h"
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
    ScopedEnv com9("MPT_COM9", "/dev/ttyUSB9");
    std::optional<ConsoleError> raised;
    try {
        systemDevices()->openSerial(9, {}, 0);
    } catch (const ConsoleError& e) {
        raised = e;
    }
    ASSERT_TRUE(raised);
    const ConsoleError& error = *raised;
    EXPECT_EQ(error.number(), 8002);
    EXPECT_EQ(detailOf(error).rfind("/dev/ttyUSB9: No such file or directory. ", 0), 0u)
        << detailOf(error);
    const auto present = serialDevicesPresent();
    if (present.empty()) {
        EXPECT_NE(detailOf(error).find("No serial device is present"), std::string::npos);
    } else {
        EXPECT_NE(detailOf(error).find("Serial devices present: " + present.front().path),
                  std::string::npos)
            << detailOf(error);
    }
    for (const SerialDevicePresent& device : present) {
        EXPECT_EQ(::access(device.path.c_str(), F_OK), 0) << device.path;
    }
}

// A lock another program holds is reported as the port in use, naming the holder where known; any
// other refusal of the lock is one of the opening.
TEST(PortHelp, ARefusedLockIsAPortInUseOrAnOpeningError) {
    const std::string device = "/dev/ttyUSB9";
    const struct {
        int errnoValue;
        Step step;
        std::optional<LockHolder> holder;
        int number;
        std::string detail;
    } rows[] = {
        {EWOULDBLOCK, Step::LockSerial, {}, 8005, device + ": in use by another program"},
        {EWOULDBLOCK, Step::LockLpt, LockHolder{7, "cat"}, 75,
         device + ": in use by another program (process 7, cat)"},
        {EWOULDBLOCK, Step::LockLpt, LockHolder{7, ""}, 75,
         device + ": in use by another program (process 7)"},
        {EINVAL, Step::LockSerial, {}, 75, device + ": Invalid argument"},
        {EINVAL, Step::LockLpt, {}, 75, device + ": Invalid argument"},
        {EIO, Step::LockSerial, {}, 57, device + ": the device went away (Input/output error)"},
    };
    for (const auto& row : rows) {
        const ConsoleError error = systemError(row.errnoValue, row.step, device, row.holder);
        EXPECT_EQ(error.number(), row.number) << row.detail;
        EXPECT_EQ(detailOf(error), row.detail);
    }
}

// A refused user is told to join the device's group only where that group may write to it, the
// group whichever the distribution uses; elsewhere what the permissions are, for a file that is
// not there those of its directory.
TEST(PortHelp, ARefusedUserIsToldWhatWouldLetThemIn) {
    char dir[] = "/tmp/mpt-group-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    ASSERT_EQ(::chmod(dir, 0755), 0);
    const std::string device = std::string(dir) + "/ttyUSB0";
    std::ofstream(device).put('x');
    const group* uucp = ::getgrnam("uucp");
    const group* other = uucp != nullptr ? uucp : ::getgrnam("dialout");
    if (::getuid() != 0 || other == nullptr || ::chown(device.c_str(), 0, other->gr_gid) != 0) {
        ::unlink(device.c_str());
        ::rmdir(dir);
        GTEST_SKIP() << "cannot give a file to another owner and group here";
    }
    const std::string name = other->gr_name;
    const struct {
        mode_t mode;
        gid_t group;
        std::string advice;
    } rows[] = {
        {0660, other->gr_gid, "join the " + name + " group, then log in again"},
        {0644, other->gr_gid,
         "owned by root:" + name +
             " with mode 0644, so no group may write to it; ask for write access, or run as its "
             "owner"},
        {0444, 0,
         "owned by root:root with mode 0444, so no group may write to it; ask for write access, "
         "or run as its owner"},
    };
    for (const auto& row : rows) {
        ASSERT_EQ(::chown(device.c_str(), 0, row.group), 0);
        ASSERT_EQ(::chmod(device.c_str(), row.mode), 0);
        for (const Step step : {Step::OpenSerial, Step::OpenLpt}) {
            const ConsoleError error = systemError(EACCES, step, device);
            EXPECT_EQ(error.number(), 70);
            EXPECT_EQ(detailOf(error), device + ": Permission denied (" + row.advice + ")");
        }
    }
    ::unlink(device.c_str());
    EXPECT_EQ(adviceInWords(accessAdvice(device)),
              "it cannot be made in " + std::string(dir) + ", owned by root:root with mode 0755");
    ::rmdir(dir);
}

// The directory a missing file would be made in is the one its path really leads to: through a
// linked directory, or from the working directory for a relative name.
TEST(PortHelp, AdviceNamesTheDirectoryAFileWouldReallyGoIn) {
    char dir[] = "/tmp/mpt-where-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string real = std::string(dir) + "/real";
    ASSERT_EQ(::mkdir(real.c_str(), 0755), 0);
    ASSERT_EQ(::symlink(real.c_str(), (std::string(dir) + "/linked").c_str()), 0);
    char* cwd = ::getcwd(nullptr, 0);
    ASSERT_EQ(::chdir(real.c_str()), 0);
    for (const std::string& path : {std::string(dir) + "/linked/lp.out", std::string("lp.out")}) {
        EXPECT_EQ(adviceInWords(accessAdvice(path))
                      .rfind("it cannot be made in " + real + ", owned by ", 0),
                  0u)
            << path << ": " << adviceInWords(accessAdvice(path));
    }
    ASSERT_EQ(::chdir(cwd), 0);
    std::free(cwd);
    ::unlink((std::string(dir) + "/linked").c_str());
    ::rmdir(real.c_str());
    ::rmdir(dir);
}

}  // namespace
}  // namespace mpt
