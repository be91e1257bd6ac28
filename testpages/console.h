// SPDX-License-Identifier: MIT
// What a test routine works with: the window's three text boxes, the serial control MSComm1 and
// the file table of the parallel channel.
//
// The window (or the command-line runner) owns the Console and keeps the text boxes behind the
// TextBoxes interface; every read and write of a box is traced here, so that a trace shows a
// run's steps in the order the routine took them.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "channels/file_table.h"
#include "channels/mscomm.h"
#include "channels/trace.h"

namespace mpt {

// The window's text boxes by control name: "txt1", "txt2", "port".
class TextBoxes {
  public:
    virtual ~TextBoxes() = default;
    virtual std::string text(std::string_view control) = 0;
    virtual void setText(std::string_view control, std::string_view text) = 0;
};

// The three boxes held as texts, for every run that does not read the window's own controls: the
// command-line runner, the window's copy of its boxes while a run goes on, the tests. Any name
// but "txt1", "txt2" and "port" is a programming error and throws std::invalid_argument.
class TextBoxStore final : public TextBoxes {
  public:
    explicit TextBoxStore(std::string txt1 = "10", std::string port = "3",
                          std::string txt2 = "메시지");

    std::string text(std::string_view control) override;
    void setText(std::string_view control, std::string_view text) override;
    // Whether a run has written the box since the store was made.
    bool written(std::string_view control) const;

  private:
    struct Box {
        std::string_view name;
        std::string text;
        bool written = false;
    };
    Box& box(std::string_view control);
    const Box& box(std::string_view control) const;

    std::array<Box, 3> m_boxes;
};

// Told by a routine's repetition loop which repetition starts, and how many the loop runs (the
// largest long long for a count beyond what the counter can reach).
class RepetitionListener {
  public:
    virtual ~RepetitionListener() = default;
    virtual void repetition(long long counter, long long count) = 0;
};

class Console {
    // The run the routine serves (first: the channels below open their devices for it).
    RunContext m_run;

  public:
    Console(TextBoxes& boxes, Devices& devices, RunEvents& events,
            RepetitionListener* listener = nullptr)
        : m_run(devices.startRun()),
          MSComm1(devices, m_run, events),
          files(devices, m_run, events),
          m_devices(&devices),
          m_boxes(&boxes),
          m_events(&events),
          m_listener(listener) {}

    MSComm MSComm1;
    FileTable files;

    // The text of the repeat count box.
    std::string txt1() { return read("txt1"); }
    // The text of the USB test's port number box.
    std::string port() { return read("port"); }
    // Writes the result message.
    void setTxt2(std::string_view message);
    // Said by a repetition loop as repetition `counter` starts: the loop runs while the counter
    // does not exceed `count`.
    void repetition(long long counter, double count);

    // Where the run's events go (the trace).
    RunEvents& events() { return *m_events; }
    Devices& devices() { return *m_devices; }
    // The run the channels open their devices for: set as a run starts, with the port map as it
    // was then, the run's observer and its stop request.
    RunContext& run() { return m_run; }
    void setRun(RunContext run) { m_run = std::move(run); }

  private:
    std::string read(std::string_view control);

    Devices* m_devices;
    TextBoxes* m_boxes;
    RunEvents* m_events;
    RepetitionListener* m_listener;
};

}  // namespace mpt
