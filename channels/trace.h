// SPDX-License-Identifier: MIT
// The trace: every event of a run (run_events.h) as JSON Lines, for benches, scripts and tests.
//
// One compact object a line, UTF-8, keys in a fixed order: reads and writes of the window's text
// boxes, every serial property set, every write and print statement with its bytes in lowercase
// hex, the opening and closing of "lpt1 ", what the device says as it changes, errors, and a stop
// asked for by the technician. The trace is the one writer of these lines: the channels, the pages
// and the core report events to it and never write a line themselves. A Trace with no stream
// records nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "channels/run_events.h"

namespace mpt {

class Trace final : public RunEvents {
  public:
    Trace() = default;
    // `name` says where the stream goes, for the failure's text.
    explicit Trace(std::ostream* out, std::string name = "the trace")
        : m_out(out), m_name(std::move(name)) {}

    bool enabled() const { return m_out != nullptr; }
    // Why a line could not be written: the stream's name ("run.jsonl") and the errno of the
    // failure, 0 where the stream failed without one. Nothing while every line has been written.
    struct Failure {
        std::string name;
        int errnoValue = 0;
    };
    std::optional<Failure> failure() const;

    // Writes the event's line.
    void record(const RunEvent& event) override;

  private:
    void line(const std::string& json);

    std::ostream* m_out = nullptr;
    std::string m_name;
    mutable std::mutex m_mutex;  // the window reads failure() while a run writes
    std::optional<Failure> m_failure;
};

// Opens the file a trace goes to, started afresh, without waiting for anything: a FIFO that no
// program reads is refused at once instead of holding up the console until a reader comes.
// Returns 0, or the errno of the failure (ENXIO for a FIFO nobody reads).
int openTraceFile(const std::string& path, std::ofstream& out);

// Lowercase hex of the bytes, two digits a byte, nothing between them.
std::string toHex(std::string_view bytes);

// The length of the well-formed UTF-8 character at the start of `text`, or 0 where there is none
// (a stray or cut-short byte, an overlong form, a surrogate).
std::size_t utf8Length(std::string_view text);

// The text as a JSON string literal, quotes included; UTF-8 passes through unchanged, and each
// byte that is not part of a well-formed UTF-8 character becomes U+FFFD, so that the line stays
// valid JSON whatever a device path or a text box holds.
std::string jsonString(std::string_view text);

}  // namespace mpt
