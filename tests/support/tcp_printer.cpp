// SPDX-License-Identifier: MIT
#include "support/tcp_printer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace mpt::testing {

namespace {

// Reads `fd` until its end, a quiet spell of `quietMs`, or the reader is asked to stop.
void readUntilEnd(int fd, ReceivedBytes& into, const ReaderThread* reader, int quietMs,
                  std::size_t most = static_cast<std::size_t>(-1)) {
    char buffer[8192];
    std::size_t got = 0;
    while (got < most && (reader == nullptr || !reader->stopRequested())) {
        pollfd pfd{fd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, quietMs);
        if (ready == 0 && reader == nullptr) {
            return;
        }
        if (ready <= 0) {
            continue;
        }
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            return;
        }
        into.append(buffer, static_cast<std::size_t>(n));
        got += static_cast<std::size_t>(n);
    }
}

}  // namespace

TcpPrinter::TcpPrinter(Behaviour behaviour, std::size_t dropAfter)
    : m_behaviour(behaviour), m_dropAfter(dropAfter) {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (behaviour == Behaviour::TakesNothing) {
        // A small window, inherited by the accepted connection: the sender's queue fills soon.
        const int small = 4096;
        ::setsockopt(m_listener, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    }
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof at;
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 ||
        ::listen(m_listener, behaviour == Behaviour::NeverAccepts ? 0 : 8) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&at), &size) != 0) {
        throw std::runtime_error("no loopback listener");
    }
    m_address = "tcp://127.0.0.1:" + std::to_string(ntohs(at.sin_port));
    if (behaviour == Behaviour::NeverAccepts) {
        // A queue of 0 holds one connection not yet accepted; a second fills it, and from then on
        // the system answers no attempt.
        for (int& filler : m_filler) {
            filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            ::connect(filler, reinterpret_cast<sockaddr*>(&at), sizeof at);
        }
        return;
    }
    m_reader.start([this] { serve(); });
}

TcpPrinter::~TcpPrinter() {
    m_reader.stop();
    for (int fd : {m_listener, m_held, m_filler[0], m_filler[1]}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void TcpPrinter::serve() {
    while (!m_reader.stopRequested()) {
        pollfd pfd{m_listener, POLLIN, 0};
        if (::poll(&pfd, 1, 20) <= 0) {
            continue;
        }
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        ++m_connections;
        if (m_behaviour == Behaviour::TakesNothing) {
            m_held = fd;
            return;
        }
        readUntilEnd(fd, m_received, &m_reader, 20,
                     m_behaviour == Behaviour::Drops ? m_dropAfter : static_cast<std::size_t>(-1));
        ::close(fd);
    }
}

std::string TcpPrinter::waitFor(std::size_t size) {
    return m_received.waitFor(size, std::chrono::seconds(10));
}

std::string TcpPrinter::takeWhatIsThere() {
    m_reader.stop();
    if (m_held >= 0) {
        readUntilEnd(m_held, m_received, nullptr, 200);
    }
    return m_received.all();
}

}  // namespace mpt::testing
