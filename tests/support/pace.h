// SPDX-License-Identifier: MIT
// The pace of a slow printer: a reader that takes no more than a fixed number of bytes a second,
// counted from when it started.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <thread>

namespace mpt::testing {

class ReadPace {
  public:
    // 0 bytes a second reads as fast as the bytes come.
    explicit ReadPace(int bytesPerSecond) : m_bytesPerSecond(bytesPerSecond) {}

    // How many bytes may be read now, at most `most`. When the reader is ahead of its pace it
    // waits a moment and gets 0.
    size_t allowance(size_t most) {
        if (m_bytesPerSecond <= 0) {
            return most;
        }
        const double elapsed = std::chrono::duration<double>(Clock::now() - m_start).count();
        const auto allowed = static_cast<size_t>(elapsed * m_bytesPerSecond);
        if (allowed <= m_taken) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return 0;
        }
        return std::min(most, allowed - m_taken);
    }

    void took(size_t bytes) { m_taken += bytes; }

  private:
    using Clock = std::chrono::steady_clock;
    int m_bytesPerSecond;
    Clock::time_point m_start = Clock::now();
    size_t m_taken = 0;
};

}  // namespace mpt::testing
