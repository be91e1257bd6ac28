// SPDX-License-Identifier: MIT
// The end-to-end harness: an X server of the suite's own (Xvfb), the real console binary started
// on it with its devices mapped to pseudo-terminals and FIFOs, and a person's hands and eyes on
// the window: the mouse moved onto a control and clicked, text typed, a text box copied to the
// clipboard and read back, the error box found and dismissed. Every process is started here and
// ended here by its own id.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mpt::e2e {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

// The tools the suite drives the window with that are not on this machine's PATH.
std::vector<std::string> missingTools();

// Names to set in a child's environment; a name mapped to nothing is removed.
using EnvChanges = std::map<std::string, std::optional<std::string>>;

// The changes for a console: the given ones, and every MPT_ name of the suite's own environment
// removed, so that a console sees only the devices it is given.
EnvChanges consoleDevices(const EnvChanges& changes);

// A process started by the suite. Its standard output and error go to `logPath` (or nowhere).
class Child {
  public:
    Child(const std::vector<std::string>& argv, const EnvChanges& env, const std::string& logPath,
          int passAsFd3 = -1);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool started() const { return m_pid > 0; }
    pid_t pid() const { return m_pid; }
    bool running();
    // Waits for the end; the exit code, 128 + the signal, or nothing if still running.
    std::optional<int> wait(Milliseconds timeout);
    // SIGTERM, and SIGKILL if it has not ended after a while.
    void terminate();
    // Holds the process still (SIGSTOP) until thaw(); returns once it is stopped.
    bool freeze();
    void thaw();

  private:
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

struct CommandResult {
    int exitCode = -1;  // -1: did not end in time
    std::string out;
};

// Runs a short command to its end, capturing its standard output.
CommandResult runCommand(const std::vector<std::string>& argv, const EnvChanges& env,
                         Milliseconds timeout = std::chrono::seconds(20));

// A directory of its own under the system's temporary directory, removed with what is in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return m_path; }
    std::string file(std::string_view name) const { return m_path + "/" + std::string(name); }

  private:
    std::string m_path;
};

// Xvfb on a free display, 1024x768 in 24-bit colour, open to every local client.
class XServer {
  public:
    XServer();
    ~XServer();
    bool running() const { return !m_display.empty(); }
    const std::string& display() const { return m_display; }  // ":N"
    const std::string& problem() const { return m_problem; }
    // What the server wrote, and whether it is still there.
    std::string log() const;
    bool alive() { return m_process && m_process->running(); }

  private:
    TempDir m_dir;
    std::optional<Child> m_process;
    std::string m_display;
    std::string m_problem;
};

// The trace a console writes, read as it grows: one JSON object a line.
class TraceFile {
  public:
    explicit TraceFile(std::string path) : m_path(std::move(path)) {}
    const std::vector<std::string>& lines();  // every complete line so far
    size_t size() { return lines().size(); }
    const std::string& path() const { return m_path; }

  private:
    std::string m_path;
    size_t m_offset = 0;
    std::string m_partial;
    std::vector<std::string> m_lines;
};

// How a run that began after a given trace line ended.
struct RunEnd {
    bool failed = false;
    int number = 0;        // the error's number
    std::string text;      // the error's text, or the result message
    std::string detail;    // the error's detail
    size_t line = 0;       // index of the trace line that ended it
    Clock::time_point at;  // when the harness saw that line
};

// The bytes of every write ("Output" and "Print") among trace lines [from, to).
std::vector<std::string> writesIn(const std::vector<std::string>& lines, size_t from, size_t to);

// The real console on the suite's X server, with its window.
class ConsoleWindow {
  public:
    struct Options {
        std::string binary;
        std::string display;
        EnvChanges env;                  // MPT_COM1, MPT_LPT1, MPT_IO_TIMEOUT_MS, …
        std::vector<std::string> runAs;  // a command that runs the console as another user
        bool otherUser = false;          // its directory (trace, home) open to that user
    };

    explicit ConsoleWindow(const Options& options);
    ~ConsoleWindow();
    ConsoleWindow(const ConsoleWindow&) = delete;
    ConsoleWindow& operator=(const ConsoleWindow&) = delete;

    // Waits until the window is shown; false if it never came (see log()).
    bool waitUntilShown(Milliseconds timeout = std::chrono::seconds(60));
    bool alive() { return m_process.running(); }
    Child& process() { return m_process; }
    std::string log() const;
    TraceFile& trace() { return m_trace; }

    // The mouse onto the centre of the control, one click.
    void click(std::string_view control);
    // Click into the text box, select all, type the text.
    void type(std::string_view control, std::string_view text);
    // Click into the text box, select all, copy; then read the clipboard until it shows
    // `expected` or the time is up. Returns the last text read.
    std::string read(std::string_view control, std::string_view expected,
                     Milliseconds timeout = std::chrono::seconds(10));

    // Waits for the first "SetText" of txt2 or "Error" at or after trace line `from`.
    std::optional<RunEnd> waitForRunEnd(size_t from,
                                        Milliseconds timeout = std::chrono::seconds(120));

    // The error box: another visible window of the console with the same title.
    std::optional<std::string> errorBox();
    std::optional<std::string> waitForErrorBox(Milliseconds timeout = std::chrono::seconds(30));
    // Return on the box, as a person presses it; true once the box is gone.
    bool dismissErrorBox(Milliseconds timeout = std::chrono::seconds(10));
    // The window that holds the keyboard focus, as xdotool names windows.
    std::string focusedWindow();
    // Destroys the console's window from outside, as a crashed window manager or a tool can,
    // leaving the process to notice.
    void destroyWindow();

  private:
    CommandResult xdotool(std::vector<std::string> arguments);
    std::vector<std::string> windows();

    Options m_options;
    TempDir m_dir;
    TraceFile m_trace;
    Child m_process;
    std::string m_window;
};

// Where a control sits in the window, in pixels from the client area's top left corner.
struct Point {
    int x;
    int y;
};
Point centreOf(std::string_view control);

}  // namespace mpt::e2e
