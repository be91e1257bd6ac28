// SPDX-License-Identifier: MIT
#include "support/pty.h"
#include "support/pace.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace mpt::testing {

RawPty openRawPty() {
    RawPty pty;
    pty.master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (pty.master < 0 || ::grantpt(pty.master) != 0 || ::unlockpt(pty.master) != 0) {
        if (pty.master >= 0) {
            ::close(pty.master);
        }
        throw std::runtime_error("no pseudo-terminal");
    }
    pty.slavePath = ::ptsname(pty.master);
    pty.holder = ::open(pty.slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    ::tcgetattr(pty.holder, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(pty.holder, TCSANOW, &tio);
    return pty;
}

PtyPrinter::PtyPrinter() {
    const RawPty pty = openRawPty();
    m_master = pty.master;
    m_holder = pty.holder;
    m_slavePath = pty.slavePath;
}

PtyPrinter::~PtyPrinter() {
    stopReading();
    if (m_holder >= 0) {
        ::close(m_holder);
    }
    if (m_master >= 0) {
        ::close(m_master);
    }
}

void PtyPrinter::startReading(int bytesPerSecond) {
    m_reader.start([this, bytesPerSecond] { readLoop(bytesPerSecond); });
}

void PtyPrinter::stopReading() {
    m_reader.stop();
}

void PtyPrinter::readLoop(int bytesPerSecond) {
    ReadPace pace(bytesPerSecond);
    char buffer[4096];
    while (!m_reader.stopRequested()) {
        const size_t want = pace.allowance(sizeof buffer);
        if (want == 0) {
            continue;
        }
        pollfd pfd{m_master, POLLIN, 0};
        if (::poll(&pfd, 1, 20) <= 0 || (pfd.revents & POLLIN) == 0) {
            continue;
        }
        const ssize_t n = ::read(m_master, buffer, want);
        if (n > 0) {
            pace.took(static_cast<size_t>(n));
            m_received.append(buffer, static_cast<size_t>(n));
        }
    }
}

std::string PtyPrinter::waitFor(size_t size, std::chrono::milliseconds timeout) {
    return m_received.waitFor(size, timeout);
}

std::string PtyPrinter::drainAll(std::chrono::milliseconds quiet) {
    stopReading();
    char buffer[4096];
    while (true) {
        pollfd pfd{m_master, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(quiet.count())) <= 0 || (pfd.revents & POLLIN) == 0) {
            break;
        }
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        m_received.append(buffer, static_cast<size_t>(n));
    }
    return received();
}

std::string PtyPrinter::received() {
    return m_received.all();
}

void PtyPrinter::unplug() {
    stopReading();
    ::close(m_master);
    m_master = -1;
}

ScopedEnv::ScopedEnv(std::string name, const std::string& value) : m_name(std::move(name)) {
    if (const char* old = std::getenv(m_name.c_str())) {
        m_had = true;
        m_old = old;
    }
    ::setenv(m_name.c_str(), value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    if (m_had) {
        ::setenv(m_name.c_str(), m_old.c_str(), 1);
    } else {
        ::unsetenv(m_name.c_str());
    }
}

}  // namespace mpt::testing
