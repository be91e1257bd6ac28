// SPDX-License-Identifier: MIT
#include "printer/listener.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include "channels/errors.h"

namespace mpt::printer {

namespace {

// An address as the pages and the window show it: "127.0.0.1", "::1", "fe80::1%eth0".
std::string addressText(const sockaddr_storage& address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto& ipv4 = reinterpret_cast<const sockaddr_in&>(address);
        ::inet_ntop(AF_INET, &ipv4.sin_addr, text, sizeof text);
        return text;
    }
    if (address.ss_family == AF_INET6) {
        const auto& ipv6 = reinterpret_cast<const sockaddr_in6&>(address);
        ::inet_ntop(AF_INET6, &ipv6.sin6_addr, text, sizeof text);
        std::string shown = text;
        if (ipv6.sin6_scope_id != 0) {
            // A link-local peer: the interface it came in on, by name where it has one.
            char name[IF_NAMESIZE] = {};
            shown += '%';
            shown += ::if_indextoname(ipv6.sin6_scope_id, name) != nullptr
                         ? std::string(name)
                         : std::to_string(ipv6.sin6_scope_id);
        }
        return shown;
    }
    return {};
}

// Where a socket is bound, or its peer: `name` is getsockname or getpeername.
sockaddr_storage socketAddress(int socket, int (*name)(int, sockaddr*, socklen_t*)) {
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    if (name(socket, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        address.ss_family = AF_UNSPEC;
    }
    return address;
}

quint16 portOf(const sockaddr_storage& address) {
    if (address.ss_family == AF_INET) {
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    }
    if (address.ss_family == AF_INET6) {
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    }
    return 0;
}

// How long accepting rests when the system has no descriptor or memory to give a connection,
// rather than being told again and again of the one waiting.
constexpr int kAcceptRestMs = 100;

}  // namespace

Listener::Listener(Events events) : m_events(std::move(events)) {}

Listener::~Listener() {
    stopListening();
    for (auto& [number, connection] : m_open) {
        closeConnection(connection);
    }
}

bool Listener::listen(const std::string& host, quint16 port) {
    stopListening();
    sockaddr_storage address{};
    socklen_t size = 0;
    auto& ipv4 = reinterpret_cast<sockaddr_in&>(address);
    auto& ipv6 = reinterpret_cast<sockaddr_in6&>(address);
    if (::inet_pton(AF_INET, host.c_str(), &ipv4.sin_addr) == 1) {
        ipv4.sin_family = AF_INET;
        ipv4.sin_port = htons(port);
        size = sizeof ipv4;
    } else if (::inet_pton(AF_INET6, host.c_str(), &ipv6.sin6_addr) == 1) {
        ipv6.sin6_family = AF_INET6;
        ipv6.sin6_port = htons(port);
        size = sizeof ipv6;
    } else {
        m_error = EINVAL;
        return false;
    }
    const int socket =
        ::socket(address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (socket < 0) {
        m_error = errno;
        return false;
    }
    // The port can be had again at once after an earlier listener on it has closed, while its
    // last connections still wait out their time.
    const int on = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    // An IPv6 address takes IPv6 connections only, whatever the system's default: "::" is not
    // also 0.0.0.0.
    if (address.ss_family == AF_INET6) {
        ::setsockopt(socket, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
    }
    if (::bind(socket, reinterpret_cast<const sockaddr*>(&address), size) != 0 ||
        ::listen(socket, kBacklog) != 0) {
        m_error = errno;
        ::close(socket);
        return false;
    }
    m_socket = socket;
    m_error = 0;
    m_accepting = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read);
    QObject::connect(m_accepting.get(), &QSocketNotifier::activated, m_accepting.get(),
                     [this] { accept(); });
    return true;
}

void Listener::stopListening() {
    if (m_socket >= 0) {
        m_accepting.reset();
        ::close(m_socket);
        m_socket = -1;
    }
}

QString Listener::errorString() const {
    return m_error == 0 ? QString() : QString::fromStdString(systemErrorText(m_error));
}

std::string Listener::address() const {
    return m_socket < 0 ? std::string() : addressText(socketAddress(m_socket, ::getsockname));
}

quint16 Listener::port() const {
    return m_socket < 0 ? 0 : portOf(socketAddress(m_socket, ::getsockname));
}

void Listener::accept() {
    for (;;) {
        sockaddr_storage peer{};
        socklen_t size = sizeof peer;
        const int socket = ::accept4(m_socket, reinterpret_cast<sockaddr*>(&peer), &size,
                                     SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (socket >= 0) {
            admit(socket, addressText(peer));
            continue;
        }
        switch (errno) {
            case EAGAIN:
#if EWOULDBLOCK != EAGAIN
            case EWOULDBLOCK:
#endif
                return;  // every connection waiting has been taken
            case EINTR:
            case ECONNABORTED:
            case EPROTO:
            case EPERM:
            case ENETDOWN:
            case ENETUNREACH:
            case ENONET:
            case EHOSTDOWN:
            case EHOSTUNREACH:
            case ENOPROTOOPT:
            case EOPNOTSUPP:
                // Interrupted, or a connection that failed before it was taken (the peer reset
                // it, a firewall or the network refused it): the next one.
                break;
            default: {
                // No descriptor or memory to give it (EMFILE, ENFILE, ENOBUFS, ENOMEM), or any
                // other refusal: the connection stays waiting, and accepting is tried again
                // after a rest rather than at once, again and again.
                QSocketNotifier* notifier = m_accepting.get();
                notifier->setEnabled(false);
                QTimer::singleShot(kAcceptRestMs, notifier,
                                   [notifier] { notifier->setEnabled(true); });
                return;
            }
        }
    }
}

void Listener::admit(int socket, const std::string& peer) {
    if (m_open.size() >= static_cast<std::size_t>(kMaxConnections)) {
        ::close(socket);
        return;
    }
    const std::uint64_t number = m_next++;
    Connection& connection = m_open[number];
    connection.socket = socket;
    connection.source = "tcp " + peer;
    connection.readable = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read);
    QObject::connect(connection.readable.get(), &QSocketNotifier::activated,
                     connection.readable.get(), [this, number] { read(number); });
    connection.writable = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Write);
    connection.writable->setEnabled(false);
    QObject::connect(connection.writable.get(), &QSocketNotifier::activated,
                     connection.writable.get(), [this, number] { write(number); });
}

void Listener::read(std::uint64_t number) {
    const auto open = m_open.find(number);
    if (open == m_open.end()) {
        return;
    }
    Connection& connection = open->second;
    if (connection.paused && !connection.ending) {
        connection.readable->setEnabled(false);
        return;
    }
    // One read for each time the connection is ready: what the system still holds waits for the
    // next, so that the other connections and the window have their turn in between.
    const auto buffer = std::make_unique_for_overwrite<char[]>(kReadAhead);
    ssize_t got = 0;
    do {
        got = ::recv(connection.socket, buffer.get(), kReadAhead, 0);
    } while (got < 0 && errno == EINTR);
    if (got > 0) {
        const std::string source = connection.source;  // the handler may pause or answer it
        m_events.received(number, source,
                          std::string_view(buffer.get(), static_cast<std::size_t>(got)));
        return;
    }
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        return;
    }
    // The peer has closed, having sent everything read above; or the connection was reset.
    end(number);
}

void Listener::write(std::uint64_t number) {
    const auto open = m_open.find(number);
    if (open == m_open.end()) {
        return;
    }
    Connection& connection = open->second;
    while (!connection.unsent.empty()) {
        const ssize_t sent = ::send(connection.socket, connection.unsent.data(),
                                    connection.unsent.size(), MSG_NOSIGNAL);
        if (sent >= 0) {
            connection.unsent.erase(0, static_cast<std::size_t>(sent));
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return;  // the rest when the connection can take more
        } else if (errno != EINTR) {
            // The peer has gone (reset, or closed for good): its answers with it. What it sent
            // before is read to the end, paused or not, and then its end announced.
            connection.unsent.clear();
            connection.ending = true;
            connection.readable->setEnabled(true);
        }
    }
    connection.writable->setEnabled(false);
}

bool Listener::send(std::uint64_t number, std::string_view bytes) {
    const auto open = m_open.find(number);
    if (open == m_open.end() || open->second.ending) {
        return false;
    }
    Connection& connection = open->second;
    // A peer that asks and never reads would have answers queue without end: an answer that does
    // not fit beside what still waits is dropped, as the serial ports drop theirs.
    if (static_cast<qint64>(connection.unsent.size() + bytes.size()) > kUnsentAnswers) {
        return false;
    }
    if (!bytes.empty()) {
        connection.unsent.append(bytes);
        connection.writable->setEnabled(true);
    }
    return true;
}

void Listener::pause(std::uint64_t number) {
    const auto open = m_open.find(number);
    if (open == m_open.end()) {
        return;
    }
    open->second.paused = true;
    if (!open->second.ending) {
        open->second.readable->setEnabled(false);
    }
}

void Listener::resume() {
    for (auto& [number, connection] : m_open) {
        if (connection.paused) {
            connection.paused = false;
            connection.readable->setEnabled(true);
        }
    }
}

void Listener::end(std::uint64_t number) {
    const auto open = m_open.find(number);
    if (open == m_open.end()) {
        return;
    }
    Connection connection = std::move(open->second);
    m_open.erase(open);
    // Answers still waiting go where the system takes them at once: a peer that has only
    // stopped sending may still read them.
    if (!connection.unsent.empty()) {
        ::send(connection.socket, connection.unsent.data(), connection.unsent.size(),
               MSG_NOSIGNAL | MSG_DONTWAIT);
    }
    closeConnection(connection);
    m_events.ended(number, connection.source);
}

void Listener::closeConnection(Connection& connection) {
    // The notifiers before the descriptor, so that none watches a number the system may give
    // to another file.
    connection.readable.reset();
    connection.writable.reset();
    if (connection.socket >= 0) {
        ::close(connection.socket);
        connection.socket = -1;
    }
}

}  // namespace mpt::printer
