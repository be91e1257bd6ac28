// SPDX-License-Identifier: MIT
#include "support/fifo.h"
#include "support/pace.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace mpt::testing {

FifoPrinter::FifoPrinter() {
    char tmpl[] = "/tmp/mpt-page-XXXXXX";
    const char* made = ::mkdtemp(tmpl);
    if (made == nullptr) {
        return;
    }
    m_dir = made;
    m_path = m_dir + "/lpt1";
    if (::mkfifo(m_path.c_str(), 0600) == 0) {
        m_fd = ::open(m_path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    }
    if (m_fd >= 0) {
        startReading();
    }
}

FifoPrinter::~FifoPrinter() {
    stopReading();
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    if (!m_dir.empty()) {
        ::unlink(m_path.c_str());
        ::rmdir(m_dir.c_str());
    }
}

bool FifoPrinter::setCapacity(int bytes) {
    return m_fd >= 0 && ::fcntl(m_fd, F_SETPIPE_SZ, bytes) >= bytes;
}

void FifoPrinter::startReading(int bytesPerSecond) {
    if (m_fd < 0) {
        return;
    }
    m_done = false;
    m_reader.start([this, bytesPerSecond] { readLoop(bytesPerSecond); });
}

void FifoPrinter::stopReading() {
    m_reader.stop();
}

// Reads at most `want` bytes; returns what read() returned: the number of bytes, 0 when no writer
// has the FIFO open and nothing is left, -1 with errno (EAGAIN: nothing there yet).
ssize_t FifoPrinter::readOnce(size_t want) {
    char buffer[4096];
    const ssize_t n = ::read(m_fd, buffer, std::min(want, sizeof buffer));
    if (n > 0) {
        m_received.append(buffer, static_cast<size_t>(n));
    }
    return n;
}

void FifoPrinter::readLoop(int bytesPerSecond) {
    ReadPace pace(bytesPerSecond);
    while (!m_reader.stopRequested()) {
        const size_t want = pace.allowance(4096);
        if (want == 0) {
            continue;
        }
        const ssize_t n = readOnce(want);
        if (n > 0) {
            pace.took(static_cast<size_t>(n));
            continue;
        }
        // No writer (before the console opened or after it closed) reads as the end; only the
        // end after the run counts.
        if (n == 0 && m_done) {
            return;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return;
        }
        pollfd pfd{m_fd, POLLIN, 0};
        ::poll(&pfd, 1, 10);
        if (n == 0) {
            ::usleep(2000);
        }
    }
}

std::string FifoPrinter::takeWhatIsThere() {
    stopReading();
    if (m_fd >= 0) {
        while (readOnce(4096) > 0) {
        }
    }
    return received();
}

std::string FifoPrinter::waitFor(size_t size, std::chrono::milliseconds timeout) {
    return m_received.waitFor(size, timeout);
}

std::string FifoPrinter::received() {
    return m_received.all();
}

std::string FifoPrinter::finish() {
    m_done = true;
    m_reader.join();
    return received();
}

void FifoPrinter::unplug() {
    stopReading();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

bool FifoPrinter::replug() {
    unplug();
    m_fd = ::open(m_path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        return false;
    }
    startReading();
    return true;
}

}  // namespace mpt::testing
