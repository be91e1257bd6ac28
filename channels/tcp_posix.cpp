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
// throws away what the system still holds, and those bytes are counted as dropped; a close given
// up for a stop then raises RunStopped.
#include <fcntl.h>
#include <linux/tcp.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "channels/errors.h"
#include "channels/fd_io.h"
#include "channels/network.h"
#include "channels/posix_devices.h"

namespace mpt {

namespace {

using Clock = std::chrono::steady_clock;

// The kernel's state of a connection that is gone (TCP_CLOSE; not in the headers this file can
// include beside the kernel's own tcp_info).
constexpr std::uint8_t kClosedState = 7;

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

// The error pending on a socket (and cleared by asking), or 0.
int socketError(int fd) {
    int error = 0;
    socklen_t size = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 ? error : 0;
}

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
        writeNotingFault(m_faulted, [&] {
            writeAll(m_fd.get(), bytes, m_limit, m_address, &m_observer, m_stop);
        });
    }

    // A network printer answers on the connection its question came in on.
    Reply ask(std::string_view question, const AnswerEnd& end,
              std::chrono::milliseconds limit) override {
        return askOnDevice(m_fd.get(), question, end, limit, m_address);
    }

    void close() override {
        if (!m_fd.valid()) {
            return;
        }
        if (m_faulted) {
            reset();
            return;
        }
        // The peer may have reset the connection since the last write: then shutting down fails
        // (ENOTCONN), and the reason is the connection's own error.
        if (::shutdown(m_fd.get(), SHUT_WR) != 0) {
            dropped(errno);
        }
        ProgressDeadline deadline(m_limit, m_stop);
        while (true) {
            // A peer that has finished sending (but may still read) always polls readable, and
            // hung up once both sides are shut: the wait then only sleeps.
            const Incoming incoming = discardIncoming();
            if (incoming.error != 0) {
                dropped(incoming.error);
            }
            const Acknowledged now = acknowledged();
            if (!now.known || now.pending == 0) {
                break;
            }
            if (now.closed) {
                dropped(ECONNRESET);
            }
            deadline.remaining(now.pending);
            if (deadline.stopped()) {
                throw RunStopped(reset(), RunStopped::At::Close);
            }
            if (deadline.limitPassed()) {
                reset();
                throw makeError(err::kDeviceTimeout,
                                {.fault = Fault::StillQueued,
                                 .device = m_address,
                                 .notTaken = static_cast<std::size_t>(now.pending),
                                 .limit = m_limit});
            }
            if (incoming.more) {
                pollfd pfd{m_fd.get(), POLLIN, 0};
                ::poll(&pfd, 1, static_cast<int>(kPollSlice.count()));
            } else {
                std::this_thread::sleep_for(kPollSlice);
            }
            if (const int error = socketError(m_fd.get()); error != 0) {
                dropped(error);
            }
        }
        m_fd.reset();
    }

  private:
    struct Acknowledged {
        bool known = false;         // the system told
        std::uint64_t pending = 0;  // bytes taken for the peer that it has not acknowledged
        bool closed = false;        // the connection is gone: they never will be
    };

    // Counted from the connection's own figures rather than its send queue, which also holds the
    // closing FIN and is emptied when the peer resets the connection.
    Acknowledged acknowledged() const {
        tcp_info info{};
        socklen_t size = sizeof info;
        if (::getsockopt(m_fd.get(), IPPROTO_TCP, TCP_INFO, &info, &size) != 0) {
            return {};
        }
        // The connection's opening is acknowledged as one byte, and so is its FIN.
        const std::uint64_t data = info.tcpi_bytes_acked > 0 ? info.tcpi_bytes_acked - 1 : 0;
        const std::uint64_t taken = m_observer.taken();
        return {true, taken - std::min(data, taken), info.tcpi_state == kClosedState};
    }

    // The connection went away before the peer acknowledged everything: "Device I/O error" with
    // the system's reason, and what was lost counted.
    [[noreturn]] void dropped(int error) {
        if (error == ENOTCONN || error == 0) {
            error = socketError(m_fd.get());
        }
        reset();
        throw systemError(error != 0 ? error : ECONNRESET, Step::Close, m_address);
    }

    struct Incoming {
        bool more = true;  // false once the peer has said it sends no more
        int error = 0;     // the connection's error, where reading found one
    };

    // What the peer sends back (a printer's status bytes) is read and dropped: unread bytes at
    // the close would make the system reset the connection instead of closing it.
    Incoming discardIncoming() {
        char sink[4096];
        for (int i = 0; i < 64; ++i) {
            const ssize_t n = ::recv(m_fd.get(), sink, sizeof sink, MSG_DONTWAIT);
            if (n == 0) {
                return {false, 0};
            }
            if (n < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
                    break;
                }
                return {false, errno};
            }
        }
        return {};
    }

    // Ends the connection at once, throwing away what the system still holds for the peer. What
    // the peer never acknowledged is counted as dropped, also when the peer itself reset the
    // connection and the system has already thrown it away.
    // Returns how many bytes were dropped.
    std::size_t reset() {
        const Acknowledged now = acknowledged();
        const linger abort{1, 0};
        ::setsockopt(m_fd.get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        m_fd.reset();
        if (!now.known || now.pending == 0) {
            return 0;
        }
        m_observer.dropped(static_cast<std::size_t>(now.pending));
        return static_cast<std::size_t>(now.pending);
    }

    UniqueFd m_fd;
    std::string m_address;
    CountingObserver m_observer;
    std::stop_token m_stop;
    std::chrono::milliseconds m_limit = noProgressLimit();
    bool m_faulted = false;
};

// The threads of the lookups under way, and of those finished but not yet joined. None is left
// to itself: a finished one is joined at the next lookup, and no more than kMost wait on the
// resolver at once, so a name server that never answers cannot gather a thread for every page a
// run opens (the thermal pages open their port once a page).
class Lookups {
  public:
    static constexpr std::size_t kMost = 4;

    static Lookups& all() {
        static Lookups lookups;
        return lookups;
    }

    // Starts looking the address up, or returns null while kMost lookups are still under way.
    std::shared_ptr<Lookup> start(const NetworkAddress& address) {
        std::lock_guard lock(m_mutex);
        joinFinished();
        if (m_running.size() >= kMost) {
            return nullptr;
        }
        auto lookup = std::make_shared<Lookup>();
        // The thread touches nothing but its own lookup, so that it may end after this object.
        std::thread thread([lookup, host = address.host, port = address.port] {
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
        });
        m_running.push_back({lookup, std::move(thread)});
        return lookup;
    }

    // At the program's end. A lookup still waiting on a name server is not waited for: that could
    // hold the exit for the resolver's own timeouts, many seconds; it ends with the process.
    ~Lookups() {
        std::lock_guard lock(m_mutex);
        joinFinished();
        for (Running& running : m_running) {
            running.thread.detach();
        }
    }

  private:
    struct Running {
        std::shared_ptr<Lookup> lookup;
        std::thread thread;
    };

    void joinFinished() {
        std::erase_if(m_running, [](Running& running) {
            {
                std::lock_guard lock(running.lookup->mutex);
                if (!running.lookup->finished) {
                    return false;
                }
            }
            running.thread.join();  // it has nothing left to do but return
            return true;
        });
    }

    std::mutex m_mutex;
    std::vector<Running> m_running;
};

// Waits until the lookup is done, the deadline has passed (false) or the run is to stop. While
// as many lookups as may run are still under way, waits for one of them to end first.
bool lookUp(const NetworkAddress& address, Clock::time_point deadline, const std::stop_token& stop,
            std::shared_ptr<Lookup>& lookup) {
    while (!(lookup = Lookups::all().start(address))) {
        if (stop.stop_requested()) {
            throw RunStopped();
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(kPollSlice);
    }
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
    int untried = 0;
    for (const addrinfo* at = candidates; at != nullptr; at = at->ai_next) {
        ++untried;
    }
    for (const addrinfo* at = candidates; at != nullptr; at = at->ai_next, --untried) {
        // Each address gets its share of the time left, so that one that never answers (an IPv6
        // route that drops everything) leaves time for the next.
        const auto until = Clock::now() + (deadline - Clock::now()) / untried;
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
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now());
            if (left.count() <= 0) {
                reason = ETIMEDOUT;
                break;
            }
            pollfd pfd{fd.get(), POLLOUT, 0};
            const int ready =
                ::poll(&pfd, 1, static_cast<int>(std::min(left.count(), kPollSlice.count())));
            if (ready < 0 && errno != EINTR) {
                reason = errno;
                break;
            }
            if (ready > 0) {
                const int error = socketError(fd.get());
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
    using Stage = ConnectFailure::Stage;
    const std::optional<NetworkAddress> address = parseNetworkAddress(where);
    if (!address) {
        throw connectionError(notThere, where, {Stage::Address});
    }
    const std::chrono::milliseconds limit = connectLimit();
    const auto deadline = Clock::now() + limit;
    std::shared_ptr<Lookup> lookup;
    if (!lookUp(*address, deadline, stop, lookup)) {
        throw connectionError(notThere, where, {Stage::Lookup, 0, ETIMEDOUT, limit});
    }
    if (lookup->result != 0) {
        throw connectionError(notThere, where,
                              {Stage::Lookup, lookup->result, lookup->systemErrno, limit});
    }
    int reason = 0;
    UniqueFd fd = connectTo(lookup->found, deadline, stop, reason);
    if (!fd.valid()) {
        throw connectionError(notThere, where, {Stage::Connect, 0, reason, limit});
    }
    // Each write leaves as it is handed over, as on a serial line, rather than waiting to be
    // joined with the next.
    const int on = 1;
    ::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

std::unique_ptr<TcpLine> openLine(const std::string& address, int notThere,
                                  DeviceObserver* observer, std::stop_token stop) {
    ignoreSigpipe();
    UniqueFd fd = openConnection(address, notThere, stop);
    return std::make_unique<TcpLine>(std::move(fd), address, observer, std::move(stop));
}

}  // namespace

std::unique_ptr<SerialLine> openTcpSerial(const std::string& address, DeviceObserver* observer,
                                          std::stop_token stop) {
    return openLine(address, err::kInvalidPortNumber, observer, std::move(stop));
}

std::unique_ptr<OutputFile> openTcpOutput(const std::string& address, DeviceObserver* observer,
                                          std::stop_token stop) {
    return openLine(address, err::kDeviceUnavailable, observer, std::move(stop));
}

}  // namespace mpt
