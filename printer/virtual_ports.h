// SPDX-License-Identifier: MIT
// The virtual printer's end of the console's channels: a pseudo-terminal for each serial port and
// a FIFO for "lpt1 ", so that the console writes to them through its real serial and parallel
// channel code, exactly as to a printer.
//
// The console reaches them through the port map built from devices(), handed to its channels. The
// ports are read on a background thread, which hands every batch of bytes to the receiver as it
// arrives, on that thread. The ports stay open between the console's runs, as a printer's cable
// stays plugged in: the FIFO's reader is there before the console opens it, and bytes in flight
// when the console closes a port are not lost.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mpt::printer {

class VirtualPorts {
  public:
    static constexpr int kSerialPorts = 9;

    // What the receiver makes of bytes that arrived: an answer to send back on the port they came
    // in on (a serial port's; the FIFO carries none), and whether to read that port no more until
    // resume(), as a printer whose buffer is full takes nothing.
    struct Reception {
        std::string answer;
        bool pause = false;
    };
    // port: "COM1" … "COM9" or "lpt1".
    using Receiver = std::function<Reception(const std::string& port, std::string_view bytes)>;

    // Creates the ports and starts reading. Throws std::runtime_error,
    // naming what failed, when the system gives no pseudo-terminal or FIFO.
    explicit VirtualPorts(Receiver receiver);
    // Stops reading, closes the ports and removes the FIFO.
    ~VirtualPorts();
    VirtualPorts(const VirtualPorts&) = delete;
    VirtualPorts& operator=(const VirtualPorts&) = delete;

    // Sends bytes to the console on a serial port (an automatic status); any thread. Nothing goes
    // back on lpt1, nor on a port whose console side holds too much unread.
    void send(const std::string& port, std::string_view bytes);
    // Reads the ports paused by the receiver again.
    void resume();

    // Each port's name with the device the console reaches it by, COM1 … COM9 then lpt1.
    std::vector<std::pair<std::string, std::string>> devices() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace mpt::printer
