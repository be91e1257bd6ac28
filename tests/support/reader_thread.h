// The background reader of a test printer: started once, asked to stop, or waited for.
#pragma once

#include <atomic>
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

}  // namespace mpt::testing
