// SPDX-License-Identifier: MIT
// A port that leads to a network address on a POSIX system: one TCP connection per opening, the
// stream sent as it is, nothing added.
//
// Opening looks the host up and connects within connectLimit(); a name that does not resolve, a
// refusal and a host that does not answer are the port's "not there" errors. Writes go through
// the same loop as a device file's, so a peer that stops reading is a "Device timeout" after the
// no-progress limit and a dropped connection a "Device I/O error". Closing delivers: the sending
// side is shut down and the close waits, within the limit, until the peer has acknowledged every
// byte. Where that cannot be (a fault, a stop whose grace is over) the connection is reset, which
// throws away what the system still holds, and those bytes are counted as dropped.
#include <fcntl.h>
#include <linux/sockios.h>
#include <linux/tcp.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <thread>

#include "channels/errors.h"
#include "channels/fd_io.h"
#include "channels/network.h"
#include "channels/posix_devices.h"
#include "channels/texts.h"

namespace mpt {

namespace {

using Clock = std::chrono::steady_clock;

// What a connection may hold unsent (the system doubles it for its own bookkeeping).
constexpr int kSendQueue = 16 * 1024;

// The name lookup runs on a thread of its own, since the system's resolver has no deadline of
// ours: opening gives up at its deadline or on a stop and leaves the lookup to finish alone.
struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    int result = 0;
    int systemErrno = 0;
    addrinfo* found = nullptr;
    ~Lookup() {
        if (found != nullptr) {
            ::freeaddrinfo(found);
        }
    }
};

// Passes on what the writes report, and keeps count of the bytes the system took for the peer.
class CountingObserver final : public DeviceObserver {
  public:
    explicit CountingObserver(DeviceObserver* next) : m_next(next) {}
    std::uint64_t taken() const { return m_taken; }

    void opened(const std::string& port, const std::string& where) override {
        if (m_next != nullptr) {
            m_next->opened(port, where);
        }
    }
    void taken(std::size_t bytes) override {
        m_taken += bytes;
        if (m_next != nullptr) {
            m_next->taken(bytes);
        }
    }
    void wrote() override {
        if (m_next != nullptr) {
            m_next->wrote();
        }
    }
    void notTaken(std::size_t bytes) override {
        if (m_next != nullptr) {
            m_next->notTaken(bytes);
        }
    }
    void dropped(std::size_t bytes) override {
        if (m_next != nullptr) {
            m_next->dropped(bytes);
        }
    }
    void state(const DeviceState& now) override {
        if (m_next != nullptr) {
            m_next->state(now);
        }
    }

  private:
    DeviceObserver* m_next;
    std::uint64_t m_taken = 0;
};

class TcpLine final : public SerialLine, public OutputFile {
  public:
    TcpLine(UniqueFd fd, std::string address, DeviceObserver* observer, std::stop_token stop)
        : m_fd(std::move(fd)),
          m_address(std::move(address)),
          m_observer(observer),
          m_stop(std::move(stop)) {}

    // A raw TCP port has no line to set: the serial properties are the control's (and recorded
    // in the trace), nothing here.
    void apply(const LineSettings&) override {}
    void setHandshaking(int) override {}

    void write(std::string_view bytes) override {
        try {
            writeAll(m_fd.get(), bytes, m_limit, m_address, &m_observer, m_stop);
        } catch (const ConsoleError&) {
            m_faulted = true;
            throw;
        }
    }

    void close() override {
        if (!m_fd.valid()) {
            return;
        }
        if (m_faulted) {
            reset();
            return;
        }
        ::shutdown(m_fd.get(), SHUT_WR);
        StopGrace grace(m_stop);
        int previous = -1;
        auto lastProgress = Clock::now();
        while (true) {
            // A peer that has finished sending (but may still read) always polls readable, and
            // hung up once both sides are shut: the wait then only sleeps.
            const bool peerSends = discardIncoming();
            const int pending = unacknowledged();
            if (pending <= 0) {
                break;
            }
            if (pending != previous) {
                previous = pending;
                lastProgress = Clock::now();
            }
            if (grace.over(lastProgress)) {
                reset();
                return;
            }
            if (Clock::now() - lastProgress >= m_limit) {
                reset();
                throw makeError(err::kDeviceTimeout,
                                fill(translate("Errors",
                                               "%1: %2 bytes were still waiting to be "
                                               "sent after %3 without progress"),
                                     {m_address, std::to_string(pending), seconds(m_limit)}));
            }
            if (peerSends) {
                pollfd pfd{m_fd.get(), POLLIN, 0};
                ::poll(&pfd, 1, static_cast<int>(kPollSlice.count()));
            } else {
                std::this_thread::sleep_for(kPollSlice);
            }
            if (const int error = socketError(); error != 0) {
                // The peer reset the connection: what it had not acknowledged is lost.
                reset();
                throw systemError(error, Step::Close, m_address);
            }
        }
        m_fd.reset();
    }

  private:
    // Bytes the peer has not acknowledged yet, sent or still queued; -1 where it cannot be told.
    int unacknowledged() const {
        int pending = 0;
        return ::ioctl(m_fd.get(), SIOCOUTQ, &pending) == 0 ? pending : -1;
    }

    int socketError() const {
        int error = 0;
        socklen_t size = sizeof error;
        return ::getsockopt(m_fd.get(), SOL_SOCKET, SO_ERROR, &error, &size) == 0 ? error : 0;
    }

    // What the peer sends back (a printer's status bytes) is read and dropped: unread bytes at
    // the close would make the system reset the connection instead of closing it.
    // Returns false once the peer has said it sends no more.
    bool discardIncoming() {
        char sink[4096];
        for (int i = 0; i < 64; ++i) {
            const ssize_t n = ::recv(m_fd.get(), sink, sizeof sink, MSG_DONTWAIT);
            if (n == 0) {
                return false;
            }
            if (n < 0) {
                break;
            }
        }
        return true;
    }

    // Ends the connection at once, throwing away what the system still holds for the peer. What
    // the peer never acknowledged is counted as dropped, also when the peer itself reset the
    // connection and the system has already thrown it away.
    void reset() {
        tcp_info info{};
        socklen_t size = sizeof info;
        std::uint64_t acknowledged = 0;
        if (::getsockopt(m_fd.get(), IPPROTO_TCP, TCP_INFO, &info, &size) == 0 &&
            info.tcpi_bytes_acked > 0) {
            acknowledged = info.tcpi_bytes_acked - 1;  // the connection's opening counts one
        }
        const std::uint64_t lost = m_observer.taken() - std::min(acknowledged, m_observer.taken());
        const linger abort{1, 0};
        ::setsockopt(m_fd.get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        m_fd.reset();
        if (lost > 0) {
            m_observer.dropped(static_cast<std::size_t>(lost));
        }
    }

    UniqueFd m_fd;
    std::string m_address;
    CountingObserver m_observer;
    std::stop_token m_stop;
    std::chrono::milliseconds m_limit = noProgressLimit();
    bool m_faulted = false;
};

// Waits until the lookup is done, the deadline has passed (false) or the run is to stop.
bool lookUp(const NetworkAddress& address, Clock::time_point deadline, const std::stop_token& stop,
            std::shared_ptr<Lookup>& lookup) {
    lookup = std::make_shared<Lookup>();
    std::thread([lookup, host = address.host, port = address.port] {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_NUMERICSERV;
        addrinfo* found = nullptr;
        const int result = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
        const int systemErrno = errno;
        std::lock_guard lock(lookup->mutex);
        lookup->result = result;
        lookup->systemErrno = systemErrno;
        lookup->found = found;
        lookup->finished = true;
        lookup->done.notify_all();
    }).detach();
    std::unique_lock lock(lookup->mutex);
    while (!lookup->finished) {
        if (stop.stop_requested()) {
            throw RunStopped();
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        lookup->done.wait_for(lock, kPollSlice);
    }
    return true;
}

// Connects to one of the host's addresses; returns the connected socket, or an invalid one with
// `reason` set to the system's errno of the last try (ETIMEDOUT when the deadline passed).
UniqueFd connectTo(const addrinfo* candidates, Clock::time_point deadline,
                   const std::stop_token& stop, int& reason) {
    reason = ETIMEDOUT;
    for (const addrinfo* at = candidates; at != nullptr; at = at->ai_next) {
        UniqueFd fd(::socket(at->ai_family, at->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                             at->ai_protocol));
        if (!fd.valid()) {
            reason = errno;
            continue;
        }
        // The system holds no more ahead of the printer than a printer's own buffer would, so
        // that the bytes counted as taken are close to those the printer has, and a stop or a
        // fault leaves little behind, instead of the megabytes a fast network would queue.
        const int queue = kSendQueue;
        ::setsockopt(fd.get(), SOL_SOCKET, SO_SNDBUF, &queue, sizeof queue);
        if (::connect(fd.get(), at->ai_addr, at->ai_addrlen) == 0) {
            return fd;
        }
        if (errno != EINPROGRESS) {
            reason = errno;
            continue;
        }
        while (true) {
            if (stop.stop_requested()) {
                throw RunStopped();
            }
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                reason = ETIMEDOUT;
                return {};
            }
            pollfd pfd{fd.get(), POLLOUT, 0};
            const int ready =
                ::poll(&pfd, 1, static_cast<int>(std::min(left.count(), kPollSlice.count())));
            if (ready < 0 && errno != EINTR) {
                reason = errno;
                break;
            }
            if (ready > 0) {
                int error = 0;
                socklen_t size = sizeof error;
                ::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &size);
                if (error == 0) {
                    return fd;
                }
                reason = error;
                break;
            }
        }
    }
    return {};
}

UniqueFd openConnection(const std::string& where, int notThere, const std::stop_token& stop) {
    const auto refused = [&](const std::string& why) {
        return makeError(notThere,
                         fill(translate("Errors", "%1: no connection: %2"), {where, why}));
    };
    const std::optional<NetworkAddress> address = parseNetworkAddress(where);
    if (!address) {
        throw refused(translate("Errors", "not an address such as tcp://HOST:PORT"));
    }
    const std::chrono::milliseconds limit = connectLimit();
    const auto deadline = Clock::now() + limit;
    std::shared_ptr<Lookup> lookup;
    if (!lookUp(*address, deadline, stop, lookup)) {
        throw refused(
            fill(translate("Errors", "the name was not found within %1"), {seconds(limit)}));
    }
    if (lookup->result != 0) {
        throw refused(lookup->result == EAI_SYSTEM ? std::strerror(lookup->systemErrno)
                                                   : ::gai_strerror(lookup->result));
    }
    int reason = 0;
    UniqueFd fd = connectTo(lookup->found, deadline, stop, reason);
    if (!fd.valid()) {
        throw refused(reason == ETIMEDOUT
                          ? fill(translate("Errors", "no answer within %1"), {seconds(limit)})
                          : std::string(std::strerror(reason)));
    }
    // Each write leaves as it is handed over, as on a serial line, rather than waiting to be
    // joined with the next.
    const int on = 1;
    ::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

}  // namespace

std::unique_ptr<SerialLine> openTcpSerial(const std::string& address, DeviceObserver* observer,
                                          std::stop_token stop) {
    ignoreSigpipe();
    UniqueFd fd = openConnection(address, err::kInvalidPortNumber, stop);
    return std::make_unique<TcpLine>(std::move(fd), address, observer, std::move(stop));
}

std::unique_ptr<OutputFile> openTcpOutput(const std::string& address, DeviceObserver* observer,
                                          std::stop_token stop) {
    ignoreSigpipe();
    UniqueFd fd = openConnection(address, err::kDeviceUnavailable, stop);
    return std::make_unique<TcpLine>(std::move(fd), address, observer, std::move(stop));
}

}  // namespace mpt
