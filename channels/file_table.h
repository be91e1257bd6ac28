// SPDX-License-Identifier: MIT
// The parallel channel: the device file "lpt1 " opened for output under a file number and written
// with print statements.
//
// A print statement is a list of items written one after another with nothing between them.
// Text items are written as their characters in code page 949; a number item is written with a
// blank on each side (the first in the place of its sign). A statement either ends with a line
// end, which adds CR LF behind its last item, or goes on, which adds nothing. Each statement goes
// to the device as one write, so closing has no buffer of its own to lose. Once the run is asked
// to stop, opening and each statement raise RunStopped instead of going on, and so does closing
// (once the file is closed).
#pragma once

#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "channels/devices.h"
#include "channels/run_events.h"

namespace mpt {

// A whole number printed as a value: " 7 ", " 300 ", "-2 ".
struct Number {
    long long value;
};

class PrintItem {
  public:
    PrintItem(std::string_view text) : m_text(text) {}    // NOLINT: items are written inline
    PrintItem(const std::string& text) : m_text(text) {}  // NOLINT
    PrintItem(const char* text) : m_text(text) {}         // NOLINT
    PrintItem(Number number);                             // NOLINT

    const std::string& text() const { return m_text; }

  private:
    std::string m_text;
};

class FileTable {
  public:
    // Opens its files for `run`, the console's run, which outlives the table.
    FileTable(Devices& devices, RunContext& run, RunEvents& events)
        : m_devices(&devices), m_run(&run), m_events(&events) {}
    ~FileTable();
    FileTable(const FileTable&) = delete;
    FileTable& operator=(const FileTable&) = delete;

    // Opens a device file for output. Only "lpt1 " is known (case and surrounding blanks aside).
    void open(std::string_view name, int fileNumber);
    // A statement whose last item goes on: no line end.
    void print(int fileNumber, std::initializer_list<PrintItem> items);
    // A statement whose last item ends it: CR LF follows.
    void printLine(int fileNumber, std::initializer_list<PrintItem> items);
    // Delivers every byte written, then frees the file number.
    void close(int fileNumber);

    bool isOpen(int fileNumber) const { return m_files.count(fileNumber) != 0; }
    // Closes every file a failed routine left open, delivering what can be delivered within the
    // no-progress limit; never raises.
    void release();

  private:
    void statement(int fileNumber, std::initializer_list<PrintItem> items, bool endsLine);

    Devices* m_devices;
    RunContext* m_run;
    RunEvents* m_events;
    std::map<int, std::unique_ptr<OutputFile>> m_files;
};

}  // namespace mpt
