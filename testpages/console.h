// What a test routine works with: the window's three text boxes, the serial control MSComm1 and
// the file table of the parallel channel.
//
// The window (or the command-line runner) owns the Console and keeps the text boxes behind the
// TextBoxes interface; every read and write of a box is traced here, so that a trace shows a
// run's steps in the order the routine took them.
#pragma once

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

class Console {
  public:
    Console(TextBoxes& boxes, Devices& devices, Trace& trace)
        : MSComm1(devices, trace), files(devices, trace), m_boxes(&boxes), m_trace(&trace) {}

    MSComm MSComm1;
    FileTable files;

    // The text of the repeat count box.
    std::string txt1() { return read("txt1"); }
    // The text of the USB test's port number box.
    std::string port() { return read("port"); }
    // Writes the result message.
    void setTxt2(std::string_view message);

    Trace& trace() { return *m_trace; }

  private:
    std::string read(std::string_view control);

    TextBoxes* m_boxes;
    Trace* m_trace;
};

}  // namespace mpt
