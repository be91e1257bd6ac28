// SPDX-License-Identifier: MIT
// The devices present and the bindings kept by their identity, on a fake device tree: plain files
// for device nodes, directories and links for sysfs, made in a temporary directory, since no test
// machine has an adapter or a printer.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "channels/devices.h"
#include "channels/errors.h"
#include "channels/port_inventory.h"
#include "core/junit_report.h"
#include "core/runner.h"
#include "core/wording.h"
#include "support/pty.h"

namespace mpt {
namespace {

namespace fs = std::filesystem;
using testing::ScopedEnv;

class FakeTree {
  public:
    FakeTree() {
        char pattern[] = "/tmp/mpt-tree-XXXXXX";
        m_root = ::mkdtemp(pattern);
    }
    ~FakeTree() { fs::remove_all(m_root); }
    const std::string& root() const { return m_root; }

    void file(const std::string& path, const std::string& text = {}, mode_t mode = 0660) {
        fs::create_directories(fs::path(m_root + path).parent_path());
        std::ofstream(m_root + path) << text;
        ::chmod((m_root + path).c_str(), mode);
    }
    void link(const std::string& path, const std::string& target) {
        fs::create_directories(fs::path(m_root + path).parent_path());
        fs::create_symlink(target, m_root + path);
    }
    void remove(const std::string& path) { fs::remove_all(m_root + path); }

    // A USB serial adapter on ttyUSB<n>, reached by its by-id name.
    void adapter(int n, const std::string& serialNumber) {
        const std::string name = "ttyUSB" + std::to_string(n);
        const std::string usb = "/sys/devices/usb1/1-" + std::to_string(n + 1);
        file(usb + "/idVendor", "0403\n");
        file(usb + "/idProduct", "6001\n");
        file(usb + "/manufacturer", "FTDI\n");
        file(usb + "/product", "FT232R USB UART\n");
        file(usb + "/serial", serialNumber + "\n");
        fs::create_directories(m_root + usb + "/1-1:1.0/" + name);
        link("/sys/class/tty/" + name + "/device", m_root + usb + "/1-1:1.0/" + name);
        file("/dev/" + name);
        link("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_" + serialNumber + "-if00-port0",
             "../../" + name);
    }
    // A USB printer on /dev/usb/lp<n> that reports its IEEE 1284 device ID.
    void usbPrinter(int n, const std::string& serialNumber) {
        const std::string name = "lp" + std::to_string(n);
        file("/sys/class/usbmisc/" + name + "/device/ieee1284_id",
             "MFG:ACME;CMD:ESC/POS;MDL:Receipt 80;SN:" + serialNumber + ";");
        file("/dev/usb/" + name);
    }

  private:
    std::string m_root;
};

// What the machine has: an adapter with its identities, an on-board UART with a chip, one
// without (skipped), Bluetooth, a USB printer with its device ID, and a node this user may not
// open (with what would let them in).
TEST(PortInventory, ListsWhatThereIsWithWhatItSaysAboutItself) {
    FakeTree tree;
    tree.adapter(0, "A1B2C3");
    tree.file("/sys/class/tty/ttyS0/type", "4\n");
    tree.file("/dev/ttyS0", "", 0600);
    tree.file("/sys/class/tty/ttyS1/type", "0\n");
    tree.file("/dev/ttyS1");
    tree.file("/sys/class/tty/rfcomm0/dev", "216:0\n");
    tree.file("/dev/rfcomm0");
    tree.file("/sys/class/tty/tty5/dev", "4:5\n");  // a console, never a printer's port
    tree.file("/dev/tty5");
    tree.usbPrinter(0, "S42");

    Credentials user;
    user.uid = 1000;
    user.groups = {::getgid()};  // the group of the tree's files
    const std::vector<DevicePresent> present = devicesPresent(tree.root(), user);
    struct Row {
        std::string node, identity, usbId, maker, product, serial;
        bool mayOpen;
    };
    const Row rows[] = {
        {"/dev/rfcomm0", "path:/dev/rfcomm0", "", "", "", "", true},
        {"/dev/ttyS0", "path:/dev/ttyS0", "", "", "", "", false},
        {"/dev/ttyUSB0", "serial:by-id:usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0", "0403:6001",
         "FTDI", "FT232R USB UART", "A1B2C3", true},
        {"/dev/usb/lp0", "printer:MFG=ACME;MDL=Receipt 80;SN=S42", "", "ACME", "Receipt 80", "S42",
         true},
    };
    ASSERT_EQ(present.size(), std::size(rows));
    for (std::size_t i = 0; i < present.size(); ++i) {
        SCOPED_TRACE(rows[i].node);
        EXPECT_EQ(present[i].node, rows[i].node);
        EXPECT_EQ(present[i].identity(), rows[i].identity);
        EXPECT_EQ(present[i].usbId, rows[i].usbId);
        EXPECT_EQ(present[i].maker, rows[i].maker);
        EXPECT_EQ(present[i].product, rows[i].product);
        EXPECT_EQ(present[i].serial, rows[i].serial);
        EXPECT_EQ(present[i].mayOpen(), rows[i].mayOpen);
        EXPECT_EQ(!present[i].advice, rows[i].mayOpen)
            << adviceInWords(present[i].advice.value_or(AccessAdvice{}));
    }
    EXPECT_EQ(present[2].byId, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0");
}

// Re-plugged into another socket, the adapter comes back as ttyUSB1 and the printer as lp1: the
// bindings, kept by identity, lead to them there. Unplugged, the run names what is missing.
TEST(PortInventory, BindingsFollowTheDeviceAcrossRenumbering) {
    FakeTree tree;
    tree.file("/dev/ttyUSB9");  // something else on the old name later
    tree.adapter(0, "A1B2C3");
    tree.usbPrinter(0, "S42");
    const std::vector<DevicePresent> before = devicesPresent(tree.root());
    PortMap map;
    map.root = tree.root();
    map.boundSerial[3] = identityOfPath("/dev/ttyUSB0", before);
    map.boundLpt1 = identityOfPath("/dev/usb/lp0", before);
    EXPECT_EQ(serialRoute(3, map).path, "/dev/ttyUSB0");
    EXPECT_EQ(lpt1Route(map).path, "/dev/usb/lp0");

    tree.remove("/dev/ttyUSB0");
    tree.remove("/dev/serial");
    tree.remove("/sys/class/tty/ttyUSB0");
    tree.remove("/sys/devices/usb1");
    tree.remove("/dev/usb");
    tree.remove("/sys/class/usbmisc");
    tree.adapter(1, "A1B2C3");
    tree.usbPrinter(1, "S42");
    EXPECT_EQ(serialRoute(3, map).path, "/dev/ttyUSB1");
    EXPECT_EQ(serialRoute(3, map).by, PortRoute::By::Binding);
    EXPECT_EQ(lpt1Route(map).path, "/dev/usb/lp1");

    tree.remove("/dev/usb");
    const auto devices = systemDevices(map);
    try {
        devices->openLpt1();
        ADD_FAILURE() << "opened a printer that is not there";
    } catch (const ConsoleError& error) {
        EXPECT_EQ(error.number(), err::kDeviceUnavailable);
        EXPECT_EQ(detailOf(error),
                  "lpt1 is bound to the printer ACME Receipt 80 (serial S42), which is not "
                  "plugged in: plug it in, or choose another device under Ports… (Ctrl+,)");
    }
}

// A bound path that cannot be opened: the error names the binding and where it is changed, not
// only the environment variable that would override it. A missing serial port's error lists the
// serial devices where the port map looks for them.
TEST(PortInventory, AnErrorOnABoundPortNamesTheBinding) {
    PortMap map;
    map.boundSerial[7] = "path:/dev/mpt-no-such-tty";
    map.boundLpt1 = "path:/dev/mpt-no-such-lp";
    ScopedEnv noCom7("MPT_COM7", "");
    ScopedEnv noLpt1("MPT_LPT1", "");
    const auto devices = systemDevices(map);
    FakeTree tree;
    tree.adapter(0, "A1B2C3");
    PortMap rooted;
    rooted.root = tree.root();
    rooted.serial[7] = "/dev/mpt-no-such-tty";
    const auto rootedDevices = systemDevices(rooted);
    const struct {
        std::function<void()> open;
        int number;
        std::string words;
    } cases[] = {
        {[&] { devices->openSerial(7, {}, 2); }, err::kInvalidPortNumber,
         " COM7 is bound to /dev/mpt-no-such-tty under Ports… (Ctrl+,): choose another device "
         "there."},
        {[&] { devices->openLpt1(); }, err::kDeviceUnavailable,
         "/dev/mpt-no-such-lp: No such file or directory lpt1 is bound to /dev/mpt-no-such-lp "
         "under Ports… (Ctrl+,): choose another device there."},
        {[&] { rootedDevices->openSerial(7, {}, 2); }, err::kInvalidPortNumber,
         ". Serial devices present: /dev/ttyUSB0 "
         "(/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0). Map a port to one with "
         "MPT_COM<n>=DEVICE."},
    };
    for (const auto& c : cases) {
        try {
            c.open();
            ADD_FAILURE() << "opened " << c.words;
        } catch (const ConsoleError& error) {
            EXPECT_EQ(error.number(), c.number);
            EXPECT_TRUE(detailOf(error).size() >= c.words.size() &&
                        detailOf(error).compare(detailOf(error).size() - c.words.size(),
                                                c.words.size(), c.words) == 0)
                << detailOf(error);
        }
    }
}

// The environment wins over a saved binding, which wins over the built-in default.
TEST(PortInventory, EnvironmentThenBindingThenDefault) {
    PortMap map;
    map.boundSerial[5] = "path:/dev/ttyUSB7";
    map.boundLpt1 = "path:/tmp/lpt1.out";
    EXPECT_EQ(serialRoute(4, map).path, "/dev/ttyS3");
    EXPECT_EQ(serialRoute(4, map).by, PortRoute::By::Default);
    EXPECT_EQ(serialRoute(5, map).path, "/dev/ttyUSB7");
    EXPECT_EQ(lpt1Route(map).path, "/tmp/lpt1.out");
    {
        ScopedEnv com5("MPT_COM5", "/dev/pts/9");
        ScopedEnv lpt1("MPT_LPT1", "/tmp/fifo");
        EXPECT_EQ(serialRoute(5, map).path, "/dev/pts/9");
        EXPECT_EQ(serialRoute(5, map).by, PortRoute::By::Environment);
        EXPECT_EQ(lpt1Route(map).path, "/tmp/fifo");
        map.serial[5] = "/dev/pts/2";  // the virtual printer's port, before all
        EXPECT_EQ(serialRoute(5, map).by, PortRoute::By::Virtual);
    }
}

// --ports: the devices and the routes, one a line, split by tabs for scripts.
TEST(PortInventory, PortsListingForScripts) {
    FakeTree tree;
    tree.adapter(0, "A1B2C3");
    PortMap map;
    map.root = tree.root();
    map.boundSerial[3] = "serial:by-id:usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0";
    ScopedEnv noCom1("MPT_COM1", "");
    ScopedEnv lpt1("MPT_LPT1", "/tmp/lpt1.fifo");
    std::ostringstream out;
    listPorts(map, 3, out);
    EXPECT_EQ(out.str(),
              "device\t/dev/ttyUSB0\tserial:by-id:usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0\t"
              "0403:6001\tFTDI\tFT232R USB UART\tA1B2C3\tmay open\n"
              "port\tCOM1\t/dev/ttyS0\tdefault\t\n"
              "port\tCOM3\t/dev/ttyUSB0\tbinding\t"
              "serial:by-id:usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0\n"
              "port\tlpt1\t/tmp/lpt1.fifo\tenvironment\t\n");

    // A line end, a tab or another control character in a field cannot forge a line or a field:
    // it is written escaped, and a backslash with it so that the escapes stay unambiguous.
    map.boundSerial[3] = "path:/dev/x\nport\tCOM9\t/dev/y";
    ScopedEnv forged("MPT_LPT1", "/tmp/a\\b\r\x01");
    out.str({});
    listPorts(map, 3, out);
    EXPECT_EQ(out.str().substr(out.str().find("port\t")),
              "port\tCOM1\t/dev/ttyS0\tdefault\t\n"
              "port\tCOM3\t/dev/x\\nport\\tCOM9\\t/dev/y\tbinding\t"
              "path:/dev/x\\nport\\tCOM9\\t/dev/y\n"
              "port\tlpt1\t/tmp/a\\\\b\\r\\x01\tenvironment\t\n");
}

// A suite's report names where each port leads and the device there as the machine knows it:
// the COM1 default, the bound adapter on the USB routine's port 3 and the printer bound to lpt1
// with what they say about themselves; another USB port's default, where nothing is known.
TEST(PortInventory, ReportPropertiesNameTheDeviceBehindEachPort) {
    FakeTree tree;
    tree.adapter(0, "A1B2C3");
    tree.usbPrinter(0, "S42");
    PortMap map;
    map.root = tree.root();
    const std::string adapter = "serial:by-id:usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0";
    map.boundSerial[3] = adapter;
    map.boundLpt1 = identityOfPath("/dev/usb/lp0", devicesPresent(tree.root()));
    ScopedEnv noCom1("MPT_COM1", "");
    ScopedEnv noLpt1("MPT_LPT1", "");
    const std::vector<std::pair<std::string, std::string>> expected{
        {"port.COM1", "/dev/ttyS0"},
        {"port.COM1.by", "default"},
        {"port.COM3", "/dev/ttyUSB0"},
        {"port.COM3.by", "binding"},
        {"port.COM3.binding", adapter},
        {"port.COM3.by-id", "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0"},
        {"port.COM3.usb", "0403:6001"},
        {"port.COM3.maker", "FTDI"},
        {"port.COM3.product", "FT232R USB UART"},
        {"port.COM3.serial", "A1B2C3"},
        {"port.COM5", "/dev/ttyS4"},
        {"port.COM5.by", "default"},
        {"port.lpt1", "/dev/usb/lp0"},
        {"port.lpt1.by", "binding"},
        {"port.lpt1.binding", map.boundLpt1},
        {"port.lpt1.maker", "ACME"},
        {"port.lpt1.product", "Receipt 80"},
        {"port.lpt1.serial", "S42"},
    };
    EXPECT_EQ(portProperties(map, {5, 3}), expected);
}

}  // namespace
}  // namespace mpt
