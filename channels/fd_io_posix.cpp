// SPDX-License-Identifier: MIT
#include <linux/lp.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "channels/devices.h"
#include "channels/errors.h"
#include "channels/fd_io.h"
#include "channels/posix_devices.h"

namespace mpt {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        reset();
        m_fd = other.release();
    }
    return *this;
}

int UniqueFd::release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

int UniqueFd::reset() {
    if (m_fd < 0) {
        return 0;
    }
    // The descriptor is gone after close() whatever it returns; EINTR is not retried (Linux has
    // already released it), but other failures are reported, since a failed close of a device can
    // mean that bytes did not arrive.
    const int rc = ::close(m_fd);
    m_fd = -1;
    return rc == 0 || errno == EINTR ? 0 : errno;
}

void ignoreSigpipe() {
    static const bool ignored = [] {
        ::signal(SIGPIPE, SIG_IGN);
        return true;
    }();
    (void)ignored;
}

std::optional<LockHolder> lockHolder(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return std::nullopt;
    }
    // "1: FLOCK  ADVISORY  WRITE 4242 00:05:1234 0 EOF": the holder's process and the file's
    // device (major:minor in hex) and inode.
    char file[64];
    std::snprintf(file, sizeof file, "%02x:%02x:%llu", major(st.st_dev), minor(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, pid, where;
        if (fields >> number >> kind >> mode >> access >> pid >> where && kind == "FLOCK" &&
            where == file) {
            std::ifstream comm("/proc/" + pid + "/comm");
            std::string name;
            std::getline(comm, name);
            return LockHolder{std::atol(pid.c_str()), name};
        }
    }
    return std::nullopt;
}

bool pathExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

NewFilePlace newFilePlace(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? std::string(".")
                                  : slash == 0               ? std::string("/")
                                                             : path.substr(0, slash);
    NewFilePlace place;
    place.name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (char* real = ::realpath(directory.c_str(), nullptr); real != nullptr) {
        place.directory = real;
        std::free(real);
    }
    return place;
}

std::optional<DeviceState> readDeviceState(int fd, DeviceState::Kind kind) {
    DeviceState state;
    state.kind = kind;
    int bits = 0;
    if (::ioctl(fd, kind == DeviceState::Kind::Serial ? TIOCMGET : LPGETSTATUS, &bits) != 0) {
        return std::nullopt;
    }
    if (kind == DeviceState::Kind::Serial) {
        state.cts = (bits & TIOCM_CTS) != 0;
        state.dsr = (bits & TIOCM_DSR) != 0;
        state.dcd = (bits & TIOCM_CAR) != 0;
    } else {
        // The port's status lines: paper out active high, selected (on line) active high,
        // error active low.
        state.paperOut = (bits & LP_POUTPA) != 0;
        state.offLine = (bits & LP_PSELECD) == 0;
        state.error = (bits & LP_PERRORP) == 0;
    }
    return state;
}

void StateProbe::read(bool now) {
    if (!m_asked) {
        return;
    }
    const auto at = std::chrono::steady_clock::now();
    if (!now && m_last && at - m_readAt < std::chrono::milliseconds(200)) {
        return;
    }
    m_readAt = at;
    const std::optional<DeviceState> state = readDeviceState(m_fd, m_kind);
    if (!state) {
        m_asked = false;  // it cannot tell; it is not asked again
        return;
    }
    if (!m_last || *m_last != *state) {
        m_last = state;
        m_observer->state(*state);
    }
}

bool StopGrace::over(Clock::time_point lastProgress) {
    if (!m_stop.stop_requested()) {
        return false;
    }
    const auto now = Clock::now();
    if (!m_seen) {
        m_seen = now;
    }
    return now - std::max(*m_seen, lastProgress) >= kIdle || now - *m_seen >= kMost;
}

namespace {

// A FIFO whose reader has gone still holds what the reader never read (FIONREAD): bytes the
// device took that never reach the printer. 0 for anything else, whose FIONREAD would tell the
// bytes waiting to be read from the device instead.
std::size_t unreadInPipe(int fd) {
    struct stat st {};
    int unread = 0;
    if (::fstat(fd, &st) != 0 || !S_ISFIFO(st.st_mode) || ::ioctl(fd, FIONREAD, &unread) != 0) {
        return 0;
    }
    return unread > 0 ? static_cast<std::size_t>(unread) : 0;
}

}  // namespace

void writeAll(int fd, std::string_view bytes, std::chrono::milliseconds limit,
              const std::string& devicePath, DeviceObserver* observer, const std::stop_token& stop,
              StateProbe* probe) {
    ProgressDeadline deadline(limit, stop);
    bool readyButRefused = false;
    // A failed write: what the device never took of it is counted before the error is raised.
    const auto failed = [&](ConsoleError error) {
        if (observer != nullptr) {
            observer->notTaken(bytes.size());
        }
        return error;
    };
    // The reader went away: what it left unread in a pipe is lost with it, and counted so.
    const auto readerGone = [&](ConsoleError error) {
        if (observer != nullptr) {
            if (const std::size_t unread = unreadInPipe(fd); unread > 0) {
                observer->dropped(unread);
            }
        }
        return failed(std::move(error));
    };
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<size_t>(n));
            if (observer != nullptr) {
                observer->taken(static_cast<size_t>(n));
            }
            deadline.progressed();
            readyButRefused = false;
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            const int error = errno;
            throw readerGone(systemError(error, Step::Write, devicePath));
        }
        // The device takes nothing now (handshake held, buffer full): wait for room, but never
        // longer than the no-progress limit in all, nor past the grace of a stop.
        if (deadline.stopped()) {
            if (observer != nullptr) {
                observer->notTaken(bytes.size());
            }
            throw RunStopped(bytes.size(), RunStopped::At::Write);
        }
        if (probe != nullptr) {
            probe->read();
        }
        const auto remaining = deadline.left();
        if (remaining <= ProgressDeadline::Clock::duration::zero()) {
            throw failed(makeError(err::kDeviceTimeout, {.fault = Fault::NoProgress,
                                                         .device = devicePath,
                                                         .notTaken = bytes.size(),
                                                         .limit = limit}));
        }
        if (readyButRefused) {
            // Some drivers report room and still refuse the write; do not spin on them.
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(remaining);
        pollfd pfd{fd, POLLOUT, 0};
        const int ready =
            ::poll(&pfd, 1, static_cast<int>(std::min(left.count(), kPollSlice.count())));
        if (ready < 0 && errno != EINTR) {
            throw failed(systemError(errno, Step::Write, devicePath));
        }
        if (ready > 0 && (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0 &&
            (pfd.revents & POLLOUT) == 0) {
            throw readerGone(
                makeError(err::kDeviceIoError, {.fault = Fault::Gone, .device = devicePath}));
        }
        readyButRefused = ready > 0;
    }
    if (probe != nullptr) {
        probe->read();
    }
}

bool waitUntilTaken(int fd, std::chrono::milliseconds limit, const std::string& devicePath,
                    const std::stop_token& stop, StateProbe* probe) {
    ProgressDeadline deadline(limit, stop);
    while (true) {
        if (probe != nullptr) {
            probe->read();
        }
        // The driver does not say how far it has got, so the whole wait counts as one without
        // progress.
        if (deadline.stopped()) {
            return false;
        }
        // Rounded up, so that the last wait does not spin on a timeout of 0.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline.left());
        pollfd pfd{fd, POLLOUT, 0};
        const int ready = ::poll(
            &pfd, 1, static_cast<int>(std::clamp<long long>(left.count(), 0, kPollSlice.count())));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            throw systemError(errno, Step::Close, devicePath);
        }
        // A device that went away may report room as well: the error comes first.
        if (ready > 0 && (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            throw makeError(err::kDeviceIoError, {.fault = Fault::Gone, .device = devicePath});
        }
        if (ready > 0 && (pfd.revents & POLLOUT) != 0) {
            return true;
        }
        if (deadline.limitPassed()) {
            throw makeError(err::kDeviceTimeout,
                            {.fault = Fault::LastNotTaken, .device = devicePath, .limit = limit});
        }
    }
}

namespace {

// The question and its answer, as askOnDevice puts it.
Reply askOnce(int fd, std::string_view question, const AnswerEnd& end,
              std::chrono::milliseconds limit, const std::string& devicePath) {
    using Clock = std::chrono::steady_clock;
    char buffer[256];
    // Whatever came before the question (an automatic status, the rest of an earlier answer)
    // belongs to no answer of this one.
    for (int i = 0; i < 64; ++i) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EIO) {
            return {};  // EINVAL and the like: this driver reads nothing back
        }
        break;
    }
    try {
        writeAll(fd, question, limit, devicePath, nullptr);
    } catch (const ConsoleError& error) {
        if (error.number() == err::kDeviceTimeout) {
            return {Reply::Kind::NoAnswer, {}};
        }
        throw;
    }
    Reply reply{Reply::Kind::NoAnswer, {}};
    const auto deadline = Clock::now() + limit;
    while (true) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return reply;
        }
        pollfd pfd{fd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR) {
            throw systemError(errno, Step::Read, devicePath);
        }
        if (ready <= 0) {
            continue;
        }
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0 || (n < 0 && errno == EIO)) {
            return reply;  // the other side closed, or a pseudo-terminal's printer went away
        }
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
                continue;
            }
            throw systemError(errno, Step::Read, devicePath);
        }
        reply.bytes.append(buffer, static_cast<std::size_t>(n));
        if (const std::size_t whole = end(reply.bytes); whole > 0) {
            reply.kind = Reply::Kind::Answered;
            reply.bytes.resize(std::min(whole, reply.bytes.size()));
            return reply;
        }
    }
}

}  // namespace

Reply askOnDevice(int fd, std::string_view question, const AnswerEnd& end,
                  std::chrono::milliseconds limit, const std::string& devicePath, bool* faulted) {
    Reply reply = askOnce(fd, question, end, limit, devicePath);
    if (faulted != nullptr && reply.kind == Reply::Kind::NoAnswer) {
        *faulted = true;
    }
    return reply;
}

}  // namespace mpt
