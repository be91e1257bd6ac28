// What the page tests share: expected writes written as UTF-8 text and turned into printer bytes,
// comparisons that name the write and the byte where a page goes wrong, the trace lines of the
// channel steps, and a FIFO standing in for the parallel printer.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "channels/codepage.h"

namespace mpt::testing {

// Each element of a list written as UTF-8 (Hangul as it is printed, command bytes as escapes),
// turned into the bytes the printer receives.
inline std::vector<std::string> inCodePage(std::vector<std::string> utf8) {
    for (std::string& w : utf8) {
        w = toCp949(w);
    }
    return utf8;
}

inline std::string joined(const std::vector<std::string>& writes) {
    std::string all;
    for (const std::string& w : writes) {
        all += w;
    }
    return all;
}

// `n` pages after one another, write after write.
inline std::vector<std::string> repeated(const std::vector<std::string>& page, int n) {
    std::vector<std::string> all;
    for (int i = 0; i < n; ++i) {
        all.insert(all.end(), page.begin(), page.end());
    }
    return all;
}

inline std::string hexOf(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        hex.push_back(kDigits[b >> 4]);
        hex.push_back(kDigits[b & 0x0F]);
    }
    return hex;
}

// The offset of the first byte where the two differ, or the shorter length.
inline size_t firstDifference(std::string_view a, std::string_view b) {
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) {
        ++i;
    }
    return i;
}

// Byte by byte: on a difference, tells the offset and the bytes from there on in hex.
inline void expectSameBytes(std::string_view actual, std::string_view expected,
                            const std::string& what) {
    if (actual == expected) {
        return;
    }
    const size_t at = firstDifference(actual, expected);
    ADD_FAILURE() << what << ": " << actual.size() << " bytes, expected " << expected.size()
                  << "; first difference at byte " << at
                  << "\n  actual:   " << hexOf(actual.substr(at, 16))
                  << "\n  expected: " << hexOf(expected.substr(at, 16));
}

// Write by write and byte by byte: the number of writes, each write, and the whole stream.
inline void expectSameWrites(const std::vector<std::string>& actual,
                             const std::vector<std::string>& expected) {
    EXPECT_EQ(actual.size(), expected.size()) << "number of writes";
    for (size_t i = 0; i < actual.size() && i < expected.size(); ++i) {
        expectSameBytes(actual[i], expected[i], "write " + std::to_string(i + 1));
    }
    expectSameBytes(joined(actual), joined(expected), "the whole stream");
}

// Trace lines of the channel steps, as the console records them.
namespace traced {
inline std::string getText(const std::string& control, const std::string& text) {
    return R"({"op":"GetText","control":")" + control + R"(","text":")" + text + R"("})";
}
inline std::string setMessage(const std::string& text) {
    return R"({"op":"SetText","control":"txt2","text":")" + text + R"("})";
}
inline std::string commPort(int n) {
    return R"({"op":"CommPort","value":)" + std::to_string(n) + "}";
}
inline std::string portOpen(bool open) {
    return std::string(R"({"op":"PortOpen","value":)") + (open ? "true" : "false") + "}";
}
inline std::string settings() {
    return R"({"op":"Settings","value":"9600,n,8,1"})";
}
inline std::string handshaking() {
    return R"({"op":"Handshaking","value":2})";
}
inline std::string output(const std::string& bytes) {
    return R"({"op":"Output","hex":")" + hexOf(bytes) + R"("})";
}
inline std::string print(const std::string& bytes) {
    return R"({"op":"Print","hex":")" + hexOf(bytes) + R"("})";
}
inline std::string openLpt1() {
    return R"({"op":"Open","name":"lpt1 ","file":1})";
}
inline std::string closeLpt1() {
    return R"({"op":"Close","file":1})";
}
// The start of an error line; its text and detail follow.
inline std::string errorStart(int number) {
    return R"({"op":"Error","number":)" + std::to_string(number) + ",";
}
}  // namespace traced

inline void expectSameTrace(const std::vector<std::string>& actual,
                            const std::vector<std::string>& expected) {
    EXPECT_EQ(actual.size(), expected.size()) << "number of trace lines";
    for (size_t i = 0; i < actual.size() && i < expected.size(); ++i) {
        EXPECT_EQ(actual[i], expected[i]) << "trace line " << i + 1;
    }
}

// A FIFO standing in for the printer on "lpt1 ": its reading end is open before the console
// opens the writing end, and a background reader takes every byte until the console has closed.
class FifoPrinter {
  public:
    FifoPrinter() {
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
            m_reader = std::thread([this] { readLoop(); });
        }
    }
    ~FifoPrinter() {
        finish();
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        if (!m_dir.empty()) {
            ::unlink(m_path.c_str());
            ::rmdir(m_dir.c_str());
        }
    }
    FifoPrinter(const FifoPrinter&) = delete;
    FifoPrinter& operator=(const FifoPrinter&) = delete;

    bool ready() const { return m_fd >= 0; }
    const std::string& path() const { return m_path; }

    // To be called once the console has closed the device: drains the FIFO and returns all bytes.
    std::string finish() {
        m_done = true;
        if (m_reader.joinable()) {
            m_reader.join();
        }
        std::lock_guard lock(m_mutex);
        return m_received;
    }

  private:
    void readLoop() {
        char buffer[4096];
        while (true) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n > 0) {
                std::lock_guard lock(m_mutex);
                m_received.append(buffer, static_cast<size_t>(n));
                continue;
            }
            // No writer (before the console opened or after it closed) reads as the end; only
            // the end after the run counts.
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

    std::string m_dir;
    std::string m_path;
    int m_fd = -1;
    std::thread m_reader;
    std::atomic<bool> m_done{false};
    std::mutex m_mutex;
    std::string m_received;
};

}  // namespace mpt::testing
