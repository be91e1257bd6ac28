// SPDX-License-Identifier: MIT
// A network printer on the loopback address standing in for a real one: it listens on a port the
// system chooses, accepts the console's connections one after another and reads each to its end,
// keeping the bytes in the order they came. It can also take nothing (read nothing, and keep a
// small window so that the sender fills up soon), drop the connection once some bytes have come,
// or never accept at all.
#pragma once

#include <cstddef>
#include <string>

#include "support/reader_thread.h"

namespace mpt::testing {

class TcpPrinter {
  public:
    enum class Behaviour {
        Reads,         // reads every connection to its end
        TakesNothing,  // accepts, then reads nothing until takeWhatIsThere()
        Drops,         // reads until `dropAfter` bytes have come, then closes the connection
        NeverAccepts,  // the listener's queue is full: connecting gets no answer
    };

    explicit TcpPrinter(Behaviour behaviour = Behaviour::Reads, std::size_t dropAfter = 0);
    ~TcpPrinter();
    TcpPrinter(const TcpPrinter&) = delete;
    TcpPrinter& operator=(const TcpPrinter&) = delete;

    // "tcp://127.0.0.1:PORT"
    const std::string& address() const { return m_address; }
    // Connections accepted so far.
    int connections() const { return m_connections; }
    // Waits until `size` bytes have arrived (or 10 s), then returns all that arrived.
    std::string waitFor(std::size_t size);
    // TakesNothing: reads what the connection holds now, up to its end or a quiet 200 ms.
    std::string takeWhatIsThere();
    std::string received() { return m_received.all(); }

  private:
    void serve();

    Behaviour m_behaviour;
    std::size_t m_dropAfter;
    int m_listener = -1;
    int m_held = -1;             // TakesNothing: the connection not read
    int m_filler[2] = {-1, -1};  // NeverAccepts: connections that fill the listener's queue
    std::string m_address;
    std::atomic<int> m_connections{0};
    ReaderThread m_reader;
    ReceivedBytes m_received;
};

}  // namespace mpt::testing
