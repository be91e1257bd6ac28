// SPDX-License-Identifier: MIT
// One run of one test routine, carried on a worker thread: the piece of code that the window and
// the command-line runner share.
//
// The session owns the Console a routine runs in (and through it the serial control and the file
// table), the run's progress and its stop. start() copies the text boxes in, lends the devices the
// progress as their observer and the worker's stop token, and runs the routine on a std::jthread.
// requestStop() may be called from any thread: the channels stop at the next write boundary, end
// any wait on the printer within a short grace, and close the port as usual. Whatever escapes the
// routine's dispatch is handed back to the caller by finish(), never left to end the thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "channels/devices.h"
#include "channels/printer_status.h"
#include "channels/trace.h"
#include "core/dispatch.h"
#include "core/run_progress.h"
#include "testpages/console.h"

namespace mpt {

// How a run ended, as finish() hands it over.
struct RunOutcome {
    RoutineEnd end;
    TextBoxStore boxes;  // as the routine left them
    RunSnapshot last;    // the progress at the end
    std::chrono::milliseconds took{0};
    // With setCheckAfterRun(): what the printer said once the run had ended, where it finished.
    std::optional<status::Verdict> printerAfter;
};

class RunSession {
  public:
    RunSession(Devices& devices, Trace& trace);
    // Stops a run still going on and waits for it.
    ~RunSession();
    RunSession(const RunSession&) = delete;
    RunSession& operator=(const RunSession&) = delete;

    // Runs routine `name` with the given boxes on the worker. `onEnd` is called on the worker once
    // the routine has ended and its channel is closed. A run must be finished before the next.
    void start(std::string_view name, TextBoxStore boxes, std::function<void()> onEnd = {});

    // Asks the run to stop; any thread. Nothing happens when no run is going on or it has already
    // ended. A run asked to stop before it has ended always ends as stopped (or failed), never as
    // finished, wherever the stop finds it: before the first write, in a write, in the closing
    // of the port, or after the routine's last step.
    void requestStop();
    bool stopRequested() const;

    // Whether a run has been started and not yet finished.
    bool active() const { return m_worker.joinable(); }
    // Whether the worker has ended the routine (finish() will not wait).
    bool ended() const;
    // Waits until the routine has ended or `timeout` passes; true when it has ended.
    bool waitUntilEnded(std::chrono::milliseconds timeout);

    RunSnapshot progress() const { return m_progress.snapshot(); }

    // Whether the runs started from now on ask the printer its status once the routine has
    // finished and closed its port (never in the middle of its stream), on the port it used.
    void setCheckAfterRun(bool on) { m_checkAfterRun = on; }

    // Waits for the worker and hands over how the run ended; rethrows whatever escaped the
    // routine's dispatch (an unknown routine name, memory exhausted).
    RunOutcome finish();

  private:
    void work(std::stop_token stop, PortMap map, std::string name, std::function<void()> onEnd);

    Devices* m_devices;
    TextBoxStore m_boxes;
    RunProgress m_progress;
    Console m_console;

    mutable std::mutex m_mutex;
    std::condition_variable m_endedChanged;
    bool m_ended = false;
    RoutineEnd m_end;
    std::exception_ptr m_escaped;
    std::chrono::steady_clock::time_point m_started;
    std::chrono::milliseconds m_took{0};
    bool m_checkAfterRun = false;
    std::optional<status::Verdict> m_printerAfter;
    std::jthread m_worker;  // last: joined before the rest goes
};

}  // namespace mpt
