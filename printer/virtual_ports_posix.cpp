// SPDX-License-Identifier: MIT
// The virtual printer's ports on a POSIX system: pseudo-terminal masters for the serial ports,
// the reading end of a FIFO in a private directory for "lpt1 ", all read by one thread in poll().
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "channels/devices.h"
#include "channels/errors.h"
#include "printer/virtual_ports.h"

namespace mpt::printer {

namespace {

// `error` is the errno of the failed call, taken before the message is built: building it may
// allocate, and an allocation may change errno.
std::runtime_error failure(int error, const std::string& what) {
    return std::runtime_error("virtual printer: " + what + ": " + systemErrorText(error));
}

struct Port {
    std::string name;    // COM1 … COM9, lpt1
    std::string device;  // what the console opens
    int readFd = -1;     // the printer's end
    int holdFd = -1;     // keeps the console's end alive between its opens
};

}  // namespace

struct VirtualPorts::Impl {
    Receiver receiver;
    std::vector<Port> ports;
    std::string fifoDirectory;
    int wake[2] = {-1, -1};  // written to stop the reader
    std::thread reader;

    ~Impl() {
        if (reader.joinable()) {
            const char stop = 's';
            (void)!::write(wake[1], &stop, 1);
            reader.join();
        }
        for (const int fd : wake) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
        for (const Port& port : ports) {
            if (port.holdFd >= 0) {
                ::close(port.holdFd);
            }
            if (port.readFd >= 0) {
                ::close(port.readFd);
            }
        }
        if (!fifoDirectory.empty()) {
            ::unlink((fifoDirectory + "/lpt1").c_str());
            ::rmdir(fifoDirectory.c_str());
        }
    }

    // Each port is in `ports` from its first descriptor on, so ~Impl closes it on every path.
    void addSerial(int number) {
        Port& port = ports.emplace_back();
        port.name = portName(number);
        port.readFd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (port.readFd < 0) {
            const int error = errno;
            throw failure(error, "no pseudo-terminal for " + port.name);
        }
        if (::grantpt(port.readFd) != 0 || ::unlockpt(port.readFd) != 0) {
            const int error = errno;
            throw failure(error, "cannot unlock the pseudo-terminal for " + port.name);
        }
        const char* slave = ::ptsname(port.readFd);
        if (slave == nullptr) {
            const int error = errno;
            throw failure(error, "no name for the pseudo-terminal of " + port.name);
        }
        port.device = slave;
        // Without an open slave the master reads EIO whenever the console has the port closed,
        // and bytes still in flight when it closes could be lost. Raw mode from the start, so
        // nothing is echoed back or changed before the console sets its own line settings.
        port.holdFd = ::open(port.device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (port.holdFd < 0) {
            const int error = errno;
            throw failure(error, "cannot open " + port.device);
        }
        termios tio{};
        if (::tcgetattr(port.holdFd, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(port.holdFd, TCSANOW, &tio);
        }
        ::fcntl(port.readFd, F_SETFL, ::fcntl(port.readFd, F_GETFL) | O_NONBLOCK);
    }

    void addFifo() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
                              "/mpt-virtual-printer-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            const int error = errno;
            throw failure(error, "cannot make a directory for the lpt1 FIFO");
        }
        fifoDirectory = pattern;
        Port& port = ports.emplace_back();
        port.name = "lpt1";
        port.device = fifoDirectory + "/lpt1";
        if (::mkfifo(port.device.c_str(), 0600) != 0) {
            const int error = errno;
            throw failure(error, "cannot make the FIFO " + port.device);
        }
        // The reader must be there before the console opens the FIFO, which it does without
        // waiting and fails when nobody reads. A writer of our own keeps the reading end from
        // seeing end-of-file each time the console closes its end.
        port.readFd = ::open(port.device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (port.readFd < 0) {
            const int error = errno;
            throw failure(error, "cannot open the FIFO " + port.device + " for reading");
        }
        port.holdFd = ::open(port.device.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (port.holdFd < 0) {
            const int error = errno;
            throw failure(error, "cannot hold the FIFO " + port.device + " open");
        }
    }

    // The printer's answer on a serial port: written to the master, which the console reads on
    // the slave. Never waits: an answer that does not fit is dropped, as a host not reading loses
    // what a printer sends.
    void answer(const Port& port, std::string_view bytes) const {
        if (port.name == "lpt1" || bytes.empty()) {
            return;
        }
        while (!bytes.empty()) {
            const ssize_t n = ::write(port.readFd, bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return;
            }
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }

    void read() {
        std::vector<pollfd> fds;
        fds.push_back({wake[0], POLLIN, 0});
        for (const Port& port : ports) {
            fds.push_back({port.readFd, POLLIN, 0});
        }
        char buffer[4096];
        while (true) {
            if (::poll(fds.data(), fds.size(), -1) < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return;
            }
            if (fds[0].revents != 0) {
                char why = 's';
                if (::read(wake[0], &why, 1) != 1 || why == 's') {
                    return;
                }
                for (pollfd& pfd : fds) {
                    if (pfd.fd >= 0) {
                        pfd.events = POLLIN;  // 'r': resume the paused ports
                    }
                }
                continue;
            }
            for (std::size_t i = 1; i < fds.size(); ++i) {
                if (fds[i].revents == 0) {
                    continue;
                }
                const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0) {
                    const Reception reception = receiver(
                        ports[i - 1].name, std::string_view(buffer, static_cast<size_t>(n)));
                    answer(ports[i - 1], reception.answer);
                    if (reception.pause) {
                        fds[i].events = 0;
                    }
                } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                    // A port that has gone (it cannot while we hold its other end): stop
                    // polling it rather than spin on it.
                    fds[i].fd = -1;
                }
            }
        }
    }
};

VirtualPorts::VirtualPorts(Receiver receiver) : m_impl(std::make_unique<Impl>()) {
    m_impl->receiver = std::move(receiver);
    if (::pipe2(m_impl->wake, O_CLOEXEC) != 0) {
        const int error = errno;
        throw failure(error, "no pipe");
    }
    for (int n = 1; n <= kSerialPorts; ++n) {
        m_impl->addSerial(n);
    }
    m_impl->addFifo();
    m_impl->reader = std::thread([impl = m_impl.get()] { impl->read(); });
}

VirtualPorts::~VirtualPorts() = default;

void VirtualPorts::send(const std::string& port, std::string_view bytes) {
    for (const Port& each : m_impl->ports) {
        if (each.name == port) {
            m_impl->answer(each, bytes);
        }
    }
}

void VirtualPorts::resume() {
    const char again = 'r';
    (void)!::write(m_impl->wake[1], &again, 1);
}

std::vector<std::pair<std::string, std::string>> VirtualPorts::devices() const {
    std::vector<std::pair<std::string, std::string>> all;
    for (const Port& port : m_impl->ports) {
        all.emplace_back(port.name, port.device);
    }
    return all;
}

}  // namespace mpt::printer
