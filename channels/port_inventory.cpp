// SPDX-License-Identifier: MIT
#include "channels/port_inventory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <map>

#include "channels/access_advice.h"
#include "channels/fd_io.h"
#include "channels/posix_devices.h"

namespace mpt {

namespace {

std::vector<std::string> names(const std::string& dir) {
    std::vector<std::string> found;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..") {
                found.push_back(name);
            }
        }
        ::closedir(d);
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::string realPath(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    std::string out = real != nullptr ? real : std::string();
    std::free(real);
    return out;
}

// The first line of a small attribute file, without its line end.
std::string attribute(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) {
        line.pop_back();
    }
    return line;
}

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

class Tree {
  public:
    explicit Tree(std::string root) : m_root(std::move(root)) {
        while (m_root.size() > 1 && m_root.back() == '/') {
            m_root.pop_back();
        }
        if (m_root == "/") {
            m_root.clear();
        }
    }
    std::string at(const std::string& absolute) const { return m_root + absolute; }
    // A path inside the tree as the machine names it.
    std::string outside(const std::string& inside) const {
        return startsWith(inside, m_root) ? inside.substr(m_root.size()) : inside;
    }

  private:
    std::string m_root;
};

void fillUsb(const Tree& tree, const std::string& classEntry, DevicePresent& device) {
    // The USB device is an ancestor of the interface the tty or printer hangs from.
    std::string dir = realPath(tree.at(classEntry) + "/device");
    const std::string sys = realPath(tree.at("/sys"));
    while (!dir.empty() && dir != sys && startsWith(dir, sys)) {
        if (pathExists(dir + "/idVendor")) {
            device.usbId = attribute(dir + "/idVendor") + ":" + attribute(dir + "/idProduct");
            device.maker = attribute(dir + "/manufacturer");
            device.product = attribute(dir + "/product");
            device.serial = attribute(dir + "/serial");
            return;
        }
        dir = dir.substr(0, dir.rfind('/'));
    }
}

// "MFG:ACME;MDL:Receipt 80;SN:123;" or the parallel probe's "MODEL:…;" lines: key to value;
// `between` splits key from value (an identity's fields use "=").
std::map<std::string, std::string> deviceId(const std::string& text, char between = ':') {
    std::map<std::string, std::string> fields;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find_first_of(";\n", at);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string field = text.substr(at, end - at);
        if (const std::size_t colon = field.find(between); colon != std::string::npos) {
            std::string key = field.substr(0, colon);
            key.erase(0, key.find_first_not_of(' '));
            fields[key] = field.substr(colon + 1);
        }
        at = end + 1;
    }
    return fields;
}

std::string firstOf(const std::map<std::string, std::string>& fields,
                    std::initializer_list<const char*> keys) {
    for (const char* key : keys) {
        if (const auto found = fields.find(key); found != fields.end() && !found->second.empty()) {
            return found->second;
        }
    }
    return {};
}

void fillPrinterId(const std::string& text, DevicePresent& device) {
    const auto fields = deviceId(text);
    device.maker = firstOf(fields, {"MFG", "MANUFACTURER"});
    device.product = firstOf(fields, {"MDL", "MODEL"});
    device.serial = firstOf(fields, {"SN", "SERN", "SERIALNUMBER"});
}

bool mayOpen(const struct stat& st, const Credentials& who, bool read) {
    if (who.uid == 0) {
        return true;
    }
    const mode_t need = read ? 06 : 02;
    if (st.st_uid == who.uid) {
        return ((st.st_mode >> 6) & need) == need;
    }
    if (std::find(who.groups.begin(), who.groups.end(), st.st_gid) != who.groups.end()) {
        return ((st.st_mode >> 3) & need) == need;
    }
    return (st.st_mode & need) == need;
}

void fillAccess(const Tree& tree, DevicePresent& device, const Credentials& who) {
    struct stat st {};
    const std::string path = tree.at(device.node);
    if (::stat(path.c_str(), &st) != 0 ||
        !mayOpen(st, who, device.kind == DevicePresent::Kind::Serial)) {
        device.advice = accessAdvice(path);
    }
}

}  // namespace

Credentials Credentials::ofThisProcess() {
    Credentials who;
    who.uid = ::geteuid();
    who.groups.push_back(::getegid());
    const int count = ::getgroups(0, nullptr);
    if (count > 0) {
        std::vector<gid_t> more(static_cast<std::size_t>(count));
        if (::getgroups(count, more.data()) == count) {
            who.groups.insert(who.groups.end(), more.begin(), more.end());
        }
    }
    return who;
}

std::vector<DevicePresent> devicesPresent(const std::string& root, const Credentials& who) {
    const Tree tree(root);
    std::vector<DevicePresent> found;

    std::map<std::string, std::string> byId;  // node → stable name
    for (const std::string& link : names(tree.at("/dev/serial/by-id"))) {
        const std::string target = realPath(tree.at("/dev/serial/by-id/" + link));
        if (!target.empty()) {
            byId[tree.outside(target)] = "/dev/serial/by-id/" + link;
        }
    }
    for (const std::string& name : names(tree.at("/sys/class/tty"))) {
        const bool usb = startsWith(name, "ttyUSB") || startsWith(name, "ttyACM");
        const bool bluetooth = startsWith(name, "rfcomm");
        const bool onBoard = startsWith(name, "ttyS");
        if (!usb && !bluetooth && !onBoard) {
            continue;
        }
        const std::string entry = "/sys/class/tty/" + name;
        // The kernel makes ttyS0 to ttyS3 whether or not a UART is there; port type 0 is none.
        if (onBoard && attribute(tree.at(entry + "/type")) == "0") {
            continue;
        }
        DevicePresent device;
        device.node = "/dev/" + name;
        if (!pathExists(tree.at(device.node))) {
            continue;
        }
        if (const auto stable = byId.find(device.node); stable != byId.end()) {
            device.byId = stable->second;
        }
        if (usb) {
            fillUsb(tree, entry, device);
        }
        fillAccess(tree, device, who);
        found.push_back(std::move(device));
    }
    for (const std::string& name : names(tree.at("/sys/class/usbmisc"))) {
        if (!startsWith(name, "lp")) {
            continue;
        }
        DevicePresent device;
        device.kind = DevicePresent::Kind::Printer;
        device.node = "/dev/usb/" + name;
        if (!pathExists(tree.at(device.node))) {
            continue;
        }
        std::ifstream id(tree.at("/sys/class/usbmisc/" + name + "/device/ieee1284_id"));
        fillPrinterId(std::string(std::istreambuf_iterator<char>(id), {}), device);
        fillUsb(tree, "/sys/class/usbmisc/" + name, device);
        fillAccess(tree, device, who);
        found.push_back(std::move(device));
    }
    for (const std::string& name : names(tree.at("/dev"))) {
        if (!startsWith(name, "lp") || name.size() < 3 ||
            name.find_first_not_of("0123456789", 2) != std::string::npos) {
            continue;
        }
        DevicePresent device;
        device.kind = DevicePresent::Kind::Printer;
        device.node = "/dev/" + name;
        std::ifstream probe(
            tree.at("/proc/sys/dev/parport/parport" + name.substr(2) + "/autoprobe"));
        fillPrinterId(std::string(std::istreambuf_iterator<char>(probe), {}), device);
        fillAccess(tree, device, who);
        found.push_back(std::move(device));
    }
    return found;
}

std::optional<DeviceState> peekDeviceState(const DevicePresent& device, const std::string& root) {
    const Tree tree(root);
    const bool serial = device.kind == DevicePresent::Kind::Serial;
    // Held by another program: its lock file names a process that is still there.
    if (serial && serialPortHolder(tree.at(device.node)) != 0) {
        return std::nullopt;
    }
    const int fd = ::open(tree.at(device.node).c_str(),
                          (serial ? O_RDONLY : O_WRONLY) | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<DeviceState> state;
    // Not while another program has it open exclusively.
    if (::flock(fd, LOCK_SH | LOCK_NB) == 0) {
        state =
            readDeviceState(fd, serial ? DeviceState::Kind::Serial : DeviceState::Kind::Printer);
    }
    ::close(fd);
    return state;
}

std::string DevicePresent::identity() const {
    if (kind == Kind::Printer && !maker.empty() && !product.empty()) {
        return "printer:MFG=" + maker + ";MDL=" + product + ";SN=" + serial;
    }
    if (!byId.empty()) {
        return "serial:by-id:" + byId.substr(byId.rfind('/') + 1);
    }
    return "path:" + node;
}

std::string identityOfPath(const std::string& path, const std::vector<DevicePresent>& present) {
    for (const DevicePresent& device : present) {
        if (device.node == path || device.byId == path) {
            return device.identity();
        }
    }
    return "path:" + path;
}

std::optional<std::string> nodeOf(const std::string& identity,
                                  const std::vector<DevicePresent>& present) {
    if (startsWith(identity, "path:")) {
        return identity.substr(5);
    }
    for (const DevicePresent& device : present) {
        if (device.identity() == identity) {
            return device.node;
        }
    }
    return std::nullopt;
}

IdentityParts identityParts(const std::string& identity) {
    IdentityParts parts;
    if (startsWith(identity, "serial:by-id:")) {
        parts.kind = IdentityParts::Kind::SerialById;
        parts.name = identity.substr(13);
    } else if (startsWith(identity, "printer:")) {
        const auto fields = deviceId(identity.substr(8), '=');
        parts.kind = IdentityParts::Kind::Printer;
        parts.maker = firstOf(fields, {"MFG"});
        parts.product = firstOf(fields, {"MDL"});
        parts.serial = firstOf(fields, {"SN"});
    } else {
        parts.name = startsWith(identity, "path:") ? identity.substr(5) : identity;
    }
    return parts;
}

}  // namespace mpt
