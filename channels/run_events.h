// SPDX-License-Identifier: MIT
// What a run does, as events with their values: every read and write of the window's text boxes,
// every serial property set, every write and print statement with its bytes, the opening and
// closing of "lpt1 ", what the open device says about itself as it changes, an error and a stop;
// and each question put to the printer with its answer.
// The channels, the pages and the core report them, as they happen, to the run's events; the trace
// (trace.h) is the one writer that records them, for benches, scripts and tests.
#pragma once

#include <cstddef>
#include <string_view>
#include <variant>

#include "channels/devices.h"
#include "channels/errors.h"

namespace mpt {

namespace event {
struct TextRead {
    std::string_view control;
    std::string_view text;
};
struct TextWritten {
    std::string_view control;
    std::string_view text;
};
struct CommPortSet {
    int port;
};
struct PortOpenSet {
    bool open;
};
struct SettingsSet {
    std::string_view settings;
};
struct HandshakingSet {
    int mode;
};
// A serial write, in code page 949 as it goes to the port.
struct Output {
    std::string_view bytes;
};
struct FileOpened {
    std::string_view name;
    int fileNumber;
};
// A print statement, in code page 949 as it goes to the file.
struct Printed {
    std::string_view bytes;
};
struct FileClosed {
    int fileNumber;
};
// The routine failed: the error's number, its standard text and its detail in the user's words.
struct Failed {
    int number;
    std::string_view text;
    std::string_view detail;
};
// What the open device said when it changed.
struct StateSeen {
    DeviceState state;
};
// The run was stopped at `at`; `notTaken` bytes handed over never reached the device.
struct Stopped {
    std::size_t notTaken;
    RunStopped::At at;
};
// A question put to the printer (a status or identity request), apart from any routine's stream,
// and the bytes it got back (none: no answer within the limit).
struct Asked {
    std::string_view bytes;
};
struct Answered {
    std::string_view bytes;
};
}  // namespace event

using RunEvent =
    std::variant<event::TextRead, event::TextWritten, event::CommPortSet, event::PortOpenSet,
                 event::SettingsSet, event::HandshakingSet, event::Output, event::FileOpened,
                 event::Printed, event::FileClosed, event::Failed, event::StateSeen, event::Stopped,
                 event::Asked, event::Answered>;

// Where a run's events go. Called on the thread that runs the routine; what an event refers to
// lives only for the call.
class RunEvents {
  public:
    virtual ~RunEvents() = default;
    virtual void record(const RunEvent& event) = 0;
};

}  // namespace mpt
