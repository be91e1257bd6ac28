// SPDX-License-Identifier: MIT
#include "core/junit_report.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "channels/errors.h"
#include "channels/port_inventory.h"
#include "channels/trace.h"
#include "core/texts.h"

namespace mpt {

namespace {

// The length of the well-formed UTF-8 character at the start of `s`, or 0 where there is none or
// it is U+FFFE or U+FFFF, which are no characters XML may hold.
std::size_t characterLength(std::string_view s) {
    const std::size_t length = utf8Length(s);
    if (length == 3 && s.substr(0, 2) == "\xEF\xBF" && static_cast<unsigned char>(s[2]) >= 0xBE) {
        return 0;
    }
    return length;
}

// `text` as XML character data, or as an attribute's value (where a line end or a tab would be
// read as a blank unless written as a reference).
std::string escaped(std::string_view text, bool attribute) {
    static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const char c = text.front();
        const std::size_t length = characterLength(text);
        if (length == 0) {
            out += kReplacement;
            text.remove_prefix(1);
            continue;
        }
        if (length == 1) {
            switch (c) {
                case '&': out += "&amp;"; break;
                case '<': out += "&lt;"; break;
                case '>': out += "&gt;"; break;
                case '"': out += attribute ? "&quot;" : "\""; break;
                case '\r': out += "&#13;"; break;
                case '\n': out += attribute ? "&#10;" : "\n"; break;
                case '\t': out += attribute ? "&#9;" : "\t"; break;
                default:
                    if (static_cast<unsigned char>(c) < 0x20) {
                        out += kReplacement;
                    } else {
                        out += c;
                    }
            }
        } else {
            out.append(text.substr(0, length));
        }
        text.remove_prefix(length);
    }
    return out;
}

std::string attr(std::string_view text) {
    return escaped(text, true);
}

// Seconds with three decimals and a point, whatever the locale says.
std::string decimal(double seconds) {
    char buffer[64];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::fixed, 3);
    return error == std::errc() ? std::string(buffer, end) : std::string("0.000");
}

// The routine's figures, after its result message: fixed words, for scripts as much as people.
std::string figures(const ReportCase& c) {
    std::string text;
    if (!c.port.empty()) {
        text += "port: " + c.port + " → " + c.device + '\n';
    }
    text += "bytes sent: " + std::to_string(c.bytesSent) + '\n';
    if (c.bytesDiscarded != 0) {
        text += "bytes discarded: " + std::to_string(c.bytesDiscarded) + '\n';
    }
    if (c.wireSeconds) {
        text += "wire time: " + decimal(*c.wireSeconds) + " s at 9600 baud\n";
    }
    return text;
}

void writeCase(const ReportCase& c, std::string& xml) {
    xml += "    <testcase classname=\"" + attr(c.routine) + "\" name=\"" + attr(c.caption) +
           "\" time=\"" + decimal(c.seconds) + "\"";
    if (c.result == ReportCase::Result::Passed && c.resultMessage.empty() && c.port.empty() &&
        c.bytesSent == 0) {
        xml += "/>\n";
        return;
    }
    xml += ">\n";
    switch (c.result) {
        case ReportCase::Result::Passed: break;
        case ReportCase::Result::Failed:
            // An error of the routine by its number; a printer that reported a fault after the
            // run (--check) by what it said.
            xml += "      <failure message=\"" +
                   attr(c.errorNumber != 0
                            ? "error " + std::to_string(c.errorNumber) + ": " + c.errorText
                            : c.errorText) +
                   "\" type=\"" +
                   (c.errorNumber != 0 ? std::to_string(c.errorNumber) : std::string("printer")) +
                   "\">" + escaped(c.detail, false) + "</failure>\n";
            break;
        case ReportCase::Result::Skipped:
        case ReportCase::Result::NotRun:
            xml += "      <skipped message=\"" + attr(c.detail) + "\"/>\n";
            break;
    }
    if (c.result != ReportCase::Result::NotRun) {
        std::string out = c.resultMessage.empty() ? std::string() : c.resultMessage + '\n';
        xml += "      <system-out>" + escaped(out + figures(c), false) + "</system-out>\n";
    }
    xml += "    </testcase>\n";
}

}  // namespace

std::string junitXml(const Report& report) {
    long long failures = 0, skipped = 0;
    double seconds = 0;
    for (const ReportCase& c : report.cases) {
        failures += c.result == ReportCase::Result::Failed;
        skipped +=
            c.result == ReportCase::Result::Skipped || c.result == ReportCase::Result::NotRun;
        seconds += c.seconds;
    }
    const std::string counts = "tests=\"" + std::to_string(report.cases.size()) + "\" failures=\"" +
                               std::to_string(failures) + "\" errors=\"0\" skipped=\"" +
                               std::to_string(skipped) + "\" time=\"" + decimal(seconds) + "\"";
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    xml += "<testsuites name=\"" + attr(report.name) + "\" " + counts + ">\n";
    xml += "  <testsuite name=\"" + attr(report.name) + "\" " + counts + " timestamp=\"" +
           attr(report.timestamp) + "\" hostname=\"" + attr(report.hostname) + "\">\n";
    xml += "    <properties>\n";
    for (const auto& [name, value] : report.properties) {
        xml += "      <property name=\"" + attr(name) + "\" value=\"" + attr(value) + "\"/>\n";
    }
    xml += "    </properties>\n";
    for (const ReportCase& c : report.cases) {
        writeCase(c, xml);
    }
    if (!report.systemErr.empty()) {
        xml += "    <system-err>" + escaped(report.systemErr, false) + "</system-err>\n";
    }
    xml += "  </testsuite>\n</testsuites>\n";
    return xml;
}

std::vector<std::pair<std::string, std::string>> portProperties(const PortMap& map,
                                                                const std::vector<int>& usbPorts) {
    std::vector<int> serial{1};
    serial.insert(serial.end(), usbPorts.begin(), usbPorts.end());
    for (const auto& [number, identity] : map.boundSerial) {
        serial.push_back(number);
    }
    std::sort(serial.begin(), serial.end());
    serial.erase(std::unique(serial.begin(), serial.end()), serial.end());
    std::vector<std::pair<std::string, PortRoute>> routes;
    for (const int number : serial) {
        routes.emplace_back(portName(number), serialRoute(number, map));
    }
    routes.emplace_back("lpt1", lpt1Route(map));

    const std::vector<DevicePresent> present = devicesPresent(map.root);
    std::vector<std::pair<std::string, std::string>> properties;
    for (const auto& [port, route] : routes) {
        static constexpr const char* kBy[] = {"virtual", "environment", "binding", "default"};
        const std::string key = "port." + port;
        properties.emplace_back(key, route.path);
        properties.emplace_back(key + ".by", kBy[static_cast<int>(route.by)]);
        if (!route.identity.empty()) {
            properties.emplace_back(key + ".binding", route.identity);
        }
        // The device there as the machine knows it, by its node or its stable name.
        char resolved[PATH_MAX];
        const std::string node = !route.path.empty() && ::realpath(route.path.c_str(), resolved)
                                     ? std::string(resolved)
                                     : route.path;
        const std::string& path = route.path;
        const auto device = std::find_if(present.begin(), present.end(), [&](const auto& d) {
            return !node.empty() &&
                   (d.node == node || d.node == path || (!d.byId.empty() && d.byId == path));
        });
        if (device == present.end()) {
            continue;
        }
        for (const auto& [name, value] :
             {std::pair{".by-id", device->byId}, std::pair{".usb", device->usbId},
              std::pair{".maker", device->maker}, std::pair{".product", device->product},
              std::pair{".serial", device->serial}}) {
            if (!value.empty()) {
                properties.emplace_back(key + name, value);
            }
        }
    }
    return properties;
}

std::string hostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return "localhost";
    }
    return name;
}

std::string utcTimestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::optional<std::string> writeReport(const std::string& path, const std::string& text) {
    const auto refused = [&](const std::string& why) {
        return fill(translate("Suite", "cannot write the report %1: %2"), {path, why});
    };
    const auto failed = [&](int error) { return refused(systemErrorText(error)); };
    // The report replaces the name given, a plain file or a link (not what the link leads to,
    // which may be anything, a process's standard output say); never a directory, a device or a
    // FIFO, and nothing is written where names are the system's devices and processes.
    const std::size_t slash = path.rfind('/');
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    if (base.empty() || base == "." || base == "..") {
        return failed(EISDIR);
    }
    char resolved[PATH_MAX];
    const std::string named = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    if (::realpath(named.c_str(), resolved) == nullptr) {
        return failed(errno);
    }
    const std::string directory = resolved;
    for (const char* system : {"/dev", "/proc", "/sys"}) {
        if (directory == system || directory.rfind(std::string(system) + '/', 0) == 0) {
            return refused(translate("Suite", "a report is not written under /dev, /proc or /sys"));
        }
    }
    const std::string target = directory + (directory == "/" ? "" : "/") + base;
    struct stat old {};
    const bool exists = ::lstat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) {
        return failed(errno);
    }
    if (exists && S_ISDIR(old.st_mode)) {
        return failed(EISDIR);
    }
    if (exists && !S_ISREG(old.st_mode) && !S_ISLNK(old.st_mode)) {
        return refused(translate("Suite", "it is not a plain file"));
    }
    // Beside the report, so that the rename stays within one file system.
    std::string temporary = directory + (directory == "/" ? "." : "/.") + base + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return failed(errno);
    }
    // The mode a report newly created would have: what the umask leaves of rw-rw-rw-, or the
    // old report's own.
    mode_t mode = 0;
    if (exists && S_ISREG(old.st_mode)) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    int error = 0;
    for (std::size_t done = 0; error == 0 && done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno != EINTR) {
            error = errno;
        } else if (n > 0) {
            done += static_cast<std::size_t>(n);
        }
    }
    if (error == 0 && (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0)) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        return failed(error);
    }
    return std::nullopt;
}

}  // namespace mpt
