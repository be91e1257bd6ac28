// SPDX-License-Identifier: MIT
// What a receipt printer says about itself when asked: the real-time status requests (DLE EOT n),
// the identity requests (GS I n, numeric and text forms), the paper and drawer sensors (GS r n)
// and the automatic status it sends on every change once enabled (GS a n); the requests as bytes,
// the answers as facts, and for a printer that answers (the virtual one) the answers built from
// its switches.
//
// Every answer byte carries fixed bits that tell it apart from the others:
//   DLE EOT n          one byte, 0xx1xx10 (bits 1 and 4 set, 0 and 7 clear)
//   GS I n (1 to 3), GS r n   one byte, 0xx0xxxx (bits 4 and 7 clear)
//   GS I n (0x41 …)    "_" (0x5F), the text, NUL
//   automatic status   four bytes, the first 0xx1xx00, the others 0xx0xxxx
// so an automatic status block that arrives before an answer is passed over, and a byte of any
// other shape is garbage. No words here: the core says what the facts mean.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "channels/devices.h"

namespace mpt {

class RunEvents;

namespace status {

// DLE EOT n: 1 printer, 2 off-line cause, 3 error cause, 4 paper sensor.
std::string realTimeRequest(int n);
// GS I n: 1 model, 2 type, 0x41 firmware version, 0x42 maker, 0x43 model name.
std::string identityRequest(int n);
inline constexpr int kFirmwareVersion = 0x41;
inline constexpr int kMakerName = 0x42;
inline constexpr int kModelName = 0x43;

// What an answer looks like: one status byte, one identity or sensor byte, or a text block.
enum class Shape { StatusByte, IdentityByte, Text };
Shape shapeOf(std::string_view request);

// How far the bytes received after a request go towards its answer.
struct Scan {
    enum class State { NeedMore, Complete, Garbled };
    State state = State::NeedMore;
    std::size_t end = 0;  // Complete, Garbled: the bytes it took (garbage: all of them)
    std::uint8_t byte = 0;
    std::string text;  // Shape::Text: without "_" and NUL
};
// Automatic status blocks ahead of the answer are passed over. A text longer than kMaxText is
// garbage.
Scan scanAnswer(Shape shape, std::string_view got);
inline constexpr std::size_t kMaxText = 80;

// Everything the answers told; a fact stays empty where its question got no answer.
struct PrinterFacts {
    std::optional<bool> offLine;
    std::optional<bool> drawerOpen;  // the drawer connector's pin 3 high
    std::optional<bool> feedButton;  // the feed button is pressed
    std::optional<bool> coverOpen;
    std::optional<bool> stoppedByPaperEnd;
    std::optional<bool> errorOccurred;
    std::optional<bool> recoverableError;
    std::optional<bool> cutterError;
    std::optional<bool> unrecoverableError;
    std::optional<bool> autoRecoverableError;
    std::optional<bool> paperNearEnd;
    std::optional<bool> paperOut;
    std::optional<int> modelId;
    std::optional<bool> twoByteCharacters;
    std::optional<bool> cutter;
    std::optional<std::string> firmware;
    std::optional<std::string> maker;
    std::optional<std::string> modelName;

    bool operator==(const PrinterFacts&) const = default;
};

// Puts the answer byte of DLE EOT n (n 1 to 4), or of GS I n (1, 2), into `facts`.
void applyRealTime(int n, std::uint8_t answer, PrinterFacts& facts);
void applyIdentity(int n, std::uint8_t answer, PrinterFacts& facts);

// How asking went, and the one verdict a script or a technician acts on, worst first.
enum class Reach {
    Answered,      // the printer answered the first request
    NoAnswer,      // nothing came back within the limit
    Garbled,       // something came back that is no answer
    CannotAnswer,  // the port carries nothing back (a FIFO, a plain file, a port without read-back)
};
enum class Verdict {
    Ready,
    OffLine,
    CoverOpen,
    PaperOut,
    PaperNearEnd,  // a warning: it still prints
    PrinterError,
    NoAnswer,  // no answer, or one that could not be read
    CannotAnswer,
};

struct Report {
    Reach reach = Reach::NoAnswer;
    std::string port;    // "COM1", "lpt1"
    std::string device;  // where it leads
    PrinterFacts facts;
};
Verdict verdictOf(const Report& report);

// How long each request waits for its answer.
inline constexpr std::chrono::milliseconds kAnswerLimit{1000};

// The port a run printed on, as ask() takes it: "COM3" is 3, "lpt1" 0; -1 for none.
int portOfRun(std::string_view port);

// Asks the printer on serial port `portNumber`, or on "lpt1 " for 0: DLE EOT 1 to 4, then GS I 1,
// 2 and the three texts, each in turn. A printer that does not answer the first request is not
// asked the rest. Each question and answer goes to `events` as its own event. Raises the port's
// opening errors as a run would.
Report ask(Devices& devices, int portNumber, RunEvents& events,
           std::chrono::milliseconds limit = kAnswerLimit);

// The printer's side: the positions of its switches, and the answers they give.
struct Switches {
    enum class Paper { Loaded, NearEnd, Out };
    enum class Error { None, Recoverable, CutterJam, Unrecoverable };
    Paper paper = Paper::Loaded;
    bool coverOpen = false;
    bool offLine = false;  // the printer's own off-line state, beside what the others cause
    bool drawerOpen = false;
    Error error = Error::None;

    bool operator==(const Switches&) const = default;
    // Whether the printer takes no more bytes: paper out, cover open, off line or an error.
    bool halted() const;
};

// "near-end,cover-open": the switches named in a list, parted by commas (the names --help lists
// for --state); nothing for a name it does not know. An empty text is the printer ready.
std::optional<Switches> parseSwitches(std::string_view text);

std::uint8_t realTimeAnswer(int n, const Switches& switches);
// GS r n: 1 (or '1') the paper sensor, 2 (or '2') the drawer; nothing for another n.
std::optional<std::uint8_t> sensorAnswer(int n, const Switches& switches);
// The four bytes of the automatic status.
std::string automaticStatus(const Switches& switches);

// What the printer is, for its answers to GS I.
struct Identity {
    std::uint8_t modelId = 0x20;
    bool twoByteCharacters = true;
    bool cutter = true;
    std::string firmware;
    std::string maker;
    std::string modelName;
};
// The answer to GS I n; nothing for an n the printer does not know.
std::optional<std::string> identityAnswer(int n, const Identity& identity);

}  // namespace status
}  // namespace mpt
