// SPDX-License-Identifier: MIT
// The background reader of a test printer, started once, asked to stop or waited for, and the
// bytes it has received so far.
#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace mpt::testing {

class ReaderThread {
  public:
    ReaderThread() = default;
    ~ReaderThread() { stop(); }
    ReaderThread(const ReaderThread&) = delete;
    ReaderThread& operator=(const ReaderThread&) = delete;

    // Runs `loop` on a thread of its own, unless a reader runs already.
    template <typename Loop>
    void start(Loop&& loop) {
        if (m_thread.joinable()) {
            return;
        }
        m_stop = false;
        m_thread = std::thread(std::forward<Loop>(loop));
    }
    // Asks the loop to stop and waits for it.
    void stop() {
        m_stop = true;
        join();
    }
    // Waits for the loop to end by itself.
    void join() {
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    // What the loop checks between reads.
    bool stopRequested() const { return m_stop; }

  private:
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};

// What a printer has received, written by its reader and read by the test.
class ReceivedBytes {
  public:
    void append(const char* bytes, size_t size) {
        std::lock_guard lock(m_mutex);
        m_bytes.append(bytes, size);
    }
    std::string all() {
        std::lock_guard lock(m_mutex);
        return m_bytes;
    }
    // Waits until `size` bytes have arrived or `timeout` passes; returns what has arrived.
    std::string waitFor(size_t size, std::chrono::milliseconds timeout) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < end) {
            {
                std::lock_guard lock(m_mutex);
                if (m_bytes.size() >= size) {
                    return m_bytes;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return all();
    }

  private:
    std::mutex m_mutex;
    std::string m_bytes;
};

}  // namespace mpt::testing
