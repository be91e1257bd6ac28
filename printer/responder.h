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

class Responder {
  public:
    explicit Responder(status::Identity identity) : m_identity(std::move(identity)) {}

    // The answers to the requests in the next bytes from `source`, in order; empty: none. A
    // request split between two calls is put together again.
    std::string answer(const std::string& source, std::string_view bytes);
    // The source has gone (a connection closed): what it enabled goes with it.
    void forget(const std::string& source);

    status::Switches switches() const;
    // New positions of the switches; returns the automatic status owed to each source that
    // enabled it, when the status changed.
    std::vector<std::pair<std::string, std::string>> setSwitches(const status::Switches& now);
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
    std::map<std::string, Source> m_sources;
};

}  // namespace mpt::printer
