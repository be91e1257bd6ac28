// SPDX-License-Identifier: MIT
// The serial port on a POSIX system: termios in raw mode, held exclusively while open.
//
// This is the only source that includes <termios.h>. Everything the printer is sent leaves
// unchanged: output processing is off, so 0x0A is not turned into CR LF, and nothing is echoed or
// read. Writes never hang: the descriptor is non-blocking and every wait is bounded by the
// no-progress limit, so a printer that holds CTS low or a USB adapter that vanishes ends in an
// error instead of a frozen console.
#include <fcntl.h>
#include <signal.h>  // kill(): is the lock holder alive
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <thread>

#include "channels/errors.h"
#include "channels/fd_io.h"
#include "channels/port_help.h"
#include "channels/posix_devices.h"

namespace mpt {

namespace {

speed_t speedFor(int baud) {
    switch (baud) {
        case 300: return B300;
        case 600: return B600;
        case 1200: return B1200;
        case 2400: return B2400;
        case 4800: return B4800;
        case 9600: return B9600;
        case 19200: return B19200;
        case 38400: return B38400;
        case 57600: return B57600;
        case 115200: return B115200;
        case 230400: return B230400;
        default: return 0;
    }
}

}  // namespace

// The UUCP lock file in /var/lock that other serial programs (terminal programs, modem and fax
// daemons) honour. TIOCEXCL alone does not stop a second opener running as root, and flock() is
// only seen by programs that use it too, so the port is claimed all three ways while open. The
// lock file is the claim that outlives one opening: a run that closes and reopens the port around
// every page keeps it from its first opening to its end.
class PortClaim {
  public:
    PortClaim() = default;
    PortClaim(const PortClaim&) = delete;
    PortClaim& operator=(const PortClaim&) = delete;
    ~PortClaim() { release(); }

    void release() {
        if (!m_path.empty()) {
            ::unlink(m_path.c_str());
            m_path.clear();
        }
    }

    // Takes the lock of the device, or raises "Port already open" when a live process holds it.
    // Where /var/lock is missing or not writable, the port goes without (flock still holds it).
    static std::shared_ptr<PortClaim> take(const std::string& devicePath) {
        auto lock = std::make_shared<PortClaim>();
        const std::string path = lockFileOf(devicePath);
        for (int attempt = 0; attempt < 2; ++attempt) {
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (fd >= 0) {
                char pid[16];
                const int n =
                    std::snprintf(pid, sizeof pid, "%10d\n", static_cast<int>(::getpid()));
                const bool written = ::write(fd, pid, static_cast<size_t>(n)) == n;
                ::close(fd);
                if (written) {
                    lock->m_path = path;
                } else {
                    ::unlink(path.c_str());
                }
                return lock;
            }
            if (errno != EEXIST) {
                return lock;
            }
            const pid_t holder = liveHolder(path);
            if (holder > 0) {
                throw makeError(err::kPortAlreadyOpen, {.fault = Fault::InUseLockFile,
                                                        .device = devicePath,
                                                        .seen = path,
                                                        .number = holder});
            }
            ::unlink(path.c_str());  // stale: its process is gone
        }
        return lock;
    }

    // /var/lock/LCK..ttyUSB0, LCK..pts_3: the device's real name below /dev, '/' made '_'.
    static std::string lockFileOf(const std::string& devicePath) {
        char* real = ::realpath(devicePath.c_str(), nullptr);
        std::string name = real != nullptr ? real : devicePath;
        std::free(real);
        if (name.rfind("/dev/", 0) == 0) {
            name.erase(0, 5);
        }
        for (char& c : name) {
            if (c == '/') {
                c = '_';
            }
        }
        return "/var/lock/LCK.." + name;
    }

    // The process the lock file names, if it is still there; else 0.
    static pid_t liveHolder(const std::string& lockPath) {
        const pid_t holder = readPid(lockPath);
        return holder > 0 && (::kill(holder, 0) == 0 || errno == EPERM) ? holder : 0;
    }

  private:
    static pid_t readPid(const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return -1;
        }
        char text[32] = {};
        const ssize_t n = ::read(fd, text, sizeof text - 1);
        ::close(fd);
        if (n <= 0) {
            return -1;
        }
        const long pid = std::strtol(text, nullptr, 10);
        return pid > 0 && pid < INT_MAX ? static_cast<pid_t>(pid) : -1;
    }

    std::string m_path;
};

pid_t serialPortHolder(const std::string& devicePath) {
    return PortClaim::liveHolder(PortClaim::lockFileOf(devicePath));
}

namespace {

class PosixSerial final : public SerialLine {
  public:
    PosixSerial(UniqueFd fd, std::shared_ptr<PortClaim> lock, std::string path,
                DeviceObserver* observer, std::stop_token stop)
        : m_fd(std::move(fd)),
          m_lock(std::move(lock)),
          m_path(std::move(path)),
          m_observer(observer),
          m_stop(std::move(stop)),
          m_probe(m_fd.get(), DeviceState::Kind::Serial, observer) {}

    ~PosixSerial() override {
        if (m_fd.valid()) {
            // Only reached when the control itself goes away with the port open.
            m_faulted = true;
            try {
                close();
            } catch (const ConsoleError&) {
            } catch (const RunStopped&) {
            }
        }
    }

    void apply(const LineSettings& s) override {
        termios tio{};
        if (::tcgetattr(m_fd.get(), &tio) != 0) {
            throw systemError(errno, Step::ConfigureSerial, m_path);
        }
        const speed_t speed = speedFor(s.baud);
        if (speed == 0) {
            throw makeError(err::kCouldNotSetCommState,
                            {.fault = Fault::NonStandardRate, .device = m_path, .number = s.baud});
        }
        if (s.parity == 'm' || s.parity == 's') {
            // Mark and space parity exist only as a Linux extension (CMSPAR).
#ifdef CMSPAR
            tio.c_cflag |= PARENB | CMSPAR;
            tio.c_cflag = s.parity == 'm' ? (tio.c_cflag | PARODD) : (tio.c_cflag & ~PARODD);
#else
            throw makeError(err::kCouldNotSetCommState,
                            {.fault = Fault::MarkSpaceParity, .device = m_path});
#endif
        } else {
#ifdef CMSPAR
            tio.c_cflag &= ~CMSPAR;
#endif
            tio.c_cflag &= ~(PARENB | PARODD);
            if (s.parity == 'e') {
                tio.c_cflag |= PARENB;
            } else if (s.parity == 'o') {
                tio.c_cflag |= PARENB | PARODD;
            }
        }
        tio.c_cflag &= ~CSIZE;
        tio.c_cflag |= s.dataBits == 5 ? CS5 : s.dataBits == 6 ? CS6 : s.dataBits == 7 ? CS7 : CS8;
        tio.c_cflag = s.stopBits == 2 ? (tio.c_cflag | CSTOPB) : (tio.c_cflag & ~CSTOPB);
        cfsetispeed(&tio, speed);
        cfsetospeed(&tio, speed);
        set(tio);
    }

    void setHandshaking(int mode) override {
        termios tio{};
        if (::tcgetattr(m_fd.get(), &tio) != 0) {
            throw systemError(errno, Step::ConfigureSerial, m_path);
        }
        const bool xonXoff = mode == 1 || mode == 3;
        const bool rtsCts = mode == 2 || mode == 3;
        tio.c_iflag = xonXoff ? (tio.c_iflag | IXON | IXOFF) : (tio.c_iflag & ~(IXON | IXOFF));
        tio.c_cflag = rtsCts ? (tio.c_cflag | CRTSCTS) : (tio.c_cflag & ~CRTSCTS);
        set(tio);
    }

    void write(std::string_view bytes) override {
        writeNotingFault(m_faulted, [&] {
            writeAll(m_fd.get(), bytes, m_limit, m_path, m_observer, m_stop, &m_probe);
        });
    }

    // A question that got no answer is dropped at the close, not waited for.
    Reply ask(std::string_view question, const AnswerEnd& end,
              std::chrono::milliseconds limit) override {
        return askOnDevice(m_fd.get(), question, end, limit, m_path, &m_faulted);
    }

    void close() override {
        if (!m_fd.valid()) {
            return;
        }
        std::optional<ConsoleError> failure;
        std::optional<std::size_t> givenUp;  // the drain was given up for a stop: bytes dropped
        if (!m_faulted) {
            try {
                if (!drain()) {
                    givenUp = dropQueued();
                }
            } catch (const ConsoleError& error) {
                failure = error;
                m_faulted = true;
            }
        }
        if (m_faulted) {
            // What is still queued cannot be delivered; drop it so that close() does not wait
            // for it in the driver, and count it.
            dropQueued();
        }
        // The exclusive flag belongs to the terminal, not to this descriptor: clear it, or the port
        // would stay barred to other programs while any other descriptor keeps it open.
        ::ioctl(m_fd.get(), TIOCNXCL);
        ::flock(m_fd.get(), LOCK_UN);
        const int closeError = m_fd.reset();
        m_lock.reset();
        if (failure) {
            throw *failure;
        }
        if (givenUp) {
            throw RunStopped(*givenUp, RunStopped::At::Close);
        }
        if (closeError != 0 && !m_faulted) {
            throw systemError(closeError, Step::Close, m_path);
        }
    }

  private:
    void set(const termios& tio) {
        if (::tcsetattr(m_fd.get(), TCSANOW, &tio) != 0) {
            throw systemError(errno, Step::ConfigureSerial, m_path);
        }
    }

    // What the driver still holds to send: TIOCOUTQ. A pseudo-terminal always reports 0; its
    // bytes wait for the reader on the other side and are never lost on closing.
    int queued() {
        int pending = 0;
        if (::ioctl(m_fd.get(), TIOCOUTQ, &pending) != 0) {
            throw systemError(errno, Step::Close, m_path);
        }
        return pending;
    }

    // A stop or a fault: what the driver still holds is dropped, so that closing does not wait
    // for it, and counted, since those bytes never reach the printer. Only what it reports as
    // queued: flushing a pseudo-terminal, which reports nothing, would throw away bytes of earlier
    // pages still waiting for the reader, pages the console had closed and counted as sent.
    // A device that has gone says nothing; its queue goes with it.
    // Returns how many bytes were dropped.
    std::size_t dropQueued() noexcept {
        int pending = 0;
        if (::ioctl(m_fd.get(), TIOCOUTQ, &pending) != 0 || pending <= 0) {
            return 0;
        }
        ::tcflush(m_fd.get(), TCOFLUSH);
        if (m_observer != nullptr) {
            m_observer->dropped(static_cast<std::size_t>(pending));
        }
        return static_cast<std::size_t>(pending);
    }

    // Waits until the driver's output queue is empty. The queue shrinking counts as progress, so
    // a long stream at 9600 baud drains however long it takes, while a printer that holds the
    // handshake ends in "Device timeout" after the no-progress limit. Once the run is asked to
    // stop, it waits only as the stop's grace allows; returns false when it gave up for a stop.
    bool drain() {
        ProgressDeadline deadline(m_limit, m_stop);
        while (true) {
            const int pending = queued();
            if (pending <= 0) {
                break;
            }
            deadline.remaining(static_cast<std::uint64_t>(pending));
            m_probe.read();
            if (deadline.stopped()) {
                return false;
            }
            if (deadline.limitPassed()) {
                throw makeError(err::kDeviceTimeout, {.fault = Fault::StillQueued,
                                                      .device = m_path,
                                                      .notTaken = static_cast<std::size_t>(pending),
                                                      .limit = m_limit});
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        // The queue is empty; this only waits for the last character to leave the UART.
        while (::tcdrain(m_fd.get()) != 0) {
            if (errno != EINTR) {
                throw systemError(errno, Step::Close, m_path);
            }
        }
        return true;
    }

    UniqueFd m_fd;
    std::shared_ptr<PortClaim> m_lock;  // shared with the run that keeps the port
    std::string m_path;
    DeviceObserver* m_observer;
    std::stop_token m_stop;
    StateProbe m_probe;
    std::chrono::milliseconds m_limit = noProgressLimit();
    bool m_faulted = false;
};

}  // namespace

namespace {

// The error of a failed opening; a port that is not there lists the serial devices present under
// `root`, where the port map looks for them.
ConsoleError openingError(int errnoValue, Step step, const std::string& devicePath,
                          const std::string& root) {
    ConsoleError error = systemError(errnoValue, step, devicePath);
    if (error.facts().fault == Fault::NoSerialDevice ||
        error.facts().fault == Fault::NotASerialDevice) {
        error.facts().serialDevices = serialDevicesPresent(root);
    }
    return error;
}

}  // namespace

std::unique_ptr<SerialLine> openPosixSerial(const std::string& devicePath,
                                            const LineSettings& settings, int handshaking,
                                            DeviceObserver* observer, std::stop_token stop,
                                            std::shared_ptr<PortClaim>& claim,
                                            const std::string& root) {
    ignoreSigpipe();
    // O_NOCTTY: a printer port must never become the console's controlling terminal.
    // O_NONBLOCK: opening does not wait for carrier, and writes never block (see writeAll).
    const int raw = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (raw < 0) {
        throw openingError(errno, Step::OpenSerial, devicePath, root);
    }
    UniqueFd fd(raw);
    termios tio{};
    if (::tcgetattr(fd.get(), &tio) != 0) {
        throw openingError(errno, Step::OpenSerial, devicePath, root);
    }
    // Exclusive use: TIOCEXCL turns away later openers that are not root, the UUCP lock file and
    // flock() cover the rest. The lock file comes first: a port that a run keeps between its
    // pages is refused on it, without this opener ever holding the flock that the run is about to
    // take again.
    if (!claim) {
        claim = PortClaim::take(devicePath);
    }
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        throw openingError(errno, Step::LockSerial, devicePath, root);
    }
    ::ioctl(fd.get(), TIOCEXCL);

    // Raw 8-bit output, each choice explicit:
    tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXANY);
    tio.c_oflag &= ~(OPOST | ONLCR | OCRNL);  // bytes leave as written: no LF to CR LF
    tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);  // no echo, no line editing
    tio.c_cflag |= CLOCAL | CREAD;  // ignore modem control lines; the receiver stays on
    tio.c_cc[VMIN] = 0;             // nothing is ever read, but a read must not block
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(fd.get(), TCSANOW, &tio) != 0) {
        throw systemError(errno, Step::ConfigureSerial, devicePath);
    }
    auto line =
        std::make_unique<PosixSerial>(std::move(fd), claim, devicePath, observer, std::move(stop));
    line->apply(settings);
    line->setHandshaking(handshaking);
    return line;
}

}  // namespace mpt
