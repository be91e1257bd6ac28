// SPDX-License-Identifier: MIT
// The virtual printer's answers to the status and identity requests, from its switches, as the
// bytes arrive and apart from the printing of the page (a printer halted by its switches still
// answers). The real-time request DLE EOT n is found wherever it comes, as a printer handles it on
// receipt, even inside a picture's data. GS r n, GS I n and GS a n are ordinary commands: they are
// answered only where a decoder of the source's own reads them as commands, in stream order, so a
// picture whose data hold the same bytes is never taken for them. A source (a port, a connection)
// that enabled automatic status with GS a n is sent the status again on every change of the
// switches.
//
// Thread-safe: the ports' reading thread and the window's thread both use it.
#pragma once

#include <compare>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "channels/printer_status.h"
#include "printer/decoder.h"

namespace mpt::printer {

// Where bytes come from: a port of the virtual printer ("COM1", "lpt1"), or a TCP connection by
// the listener's number for it, which is never 0.
struct Origin {
    std::uint64_t connection = 0;  // 0: a port
    std::string port;              // the port's name; empty for a connection

    static Origin ofPort(std::string name) { return {0, std::move(name)}; }
    static Origin ofConnection(std::uint64_t number) { return {number, {}}; }
    bool isConnection() const { return connection != 0; }
    auto operator<=>(const Origin&) const = default;
};

class Responder {
  public:
    explicit Responder(status::Identity identity) : m_identity(std::move(identity)) {}

    // The answers to the requests in the next bytes from `source`, in order; empty: none. A
    // request split between two calls is put together again.
    std::string answer(const Origin& source, std::string_view bytes);
    // The source has gone (a connection closed): what it enabled goes with it.
    void forget(const Origin& source);

    status::Switches switches() const;
    // New positions of the switches; returns the automatic status owed to each source that
    // enabled it, when the status changed.
    std::vector<std::pair<Origin, std::string>> setSwitches(const status::Switches& now);
    bool halted() const;

  private:
    struct Source {
        std::string pending;  // the start of a DLE EOT n cut by the end of the bytes
        Decoder commands{Decoder::CommandsOnly{}};  // reads the stream for GS r, GS I and GS a
        std::uint64_t received = 0;                 // bytes of the stream so far
        bool automatic = false;                     // GS a n with n other than 0
    };

    mutable std::mutex m_mutex;
    status::Identity m_identity;
    status::Switches m_switches;
    std::map<Origin, Source> m_sources;
};

}  // namespace mpt::printer
