// SPDX-License-Identifier: MIT
// The trace: every observable step of a run as JSON Lines, for benches, scripts and tests.
//
// One compact object a line, UTF-8, keys in a fixed order: reads and writes of the window's text
// boxes, every serial property set, every write and print statement with its bytes in lowercase
// hex, the opening and closing of "lpt1 ", errors, and a stop asked for by the technician. A Trace
// with no stream records nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace mpt {

class Trace {
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

    void getText(std::string_view control, std::string_view text);
    void setText(std::string_view control, std::string_view text);
    void commPort(int value);
    void portOpen(bool value);
    void settings(std::string_view value);
    void handshaking(int value);
    void output(std::string_view bytes);
    void open(std::string_view name, int fileNumber);
    void print(std::string_view bytes);
    void close(int fileNumber);
    void error(int number, std::string_view text, std::string_view detail);
    // What the open device said when it changed: a serial port's modem lines, a printer's status.
    void lines(bool cts, bool dsr, bool dcd);
    void printerStatus(bool paperOut, bool offLine, bool error);
    // The run was stopped here; `notTaken` bytes handed over never reached the device: of the
    // write before it, or of what the device held when its closing was given up. `at` says where
    // the stop took effect: "step" (before an opening or a write), "write" or "close".
    void stop(std::size_t notTaken, std::string_view at);

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

// The text as a JSON string literal, quotes included; UTF-8 passes through unchanged, and each
// byte that is not part of a well-formed UTF-8 character becomes U+FFFD, so that the line stays
// valid JSON whatever a device path or a text box holds.
std::string jsonString(std::string_view text);

}  // namespace mpt
