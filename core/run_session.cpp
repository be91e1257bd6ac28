// SPDX-License-Identifier: MIT
#include "core/run_session.h"

#include <stdexcept>
#include <utility>

namespace mpt {

RunSession::RunSession(Devices& devices, Trace& trace)
    : m_devices(&devices), m_console(m_boxes, devices, trace, &m_progress) {
    m_progress.setEvents(&trace);
}

RunSession::~RunSession() {
    if (m_worker.joinable()) {
        m_worker.request_stop();
        m_worker.join();
    }
}

void RunSession::start(std::string_view name, TextBoxStore boxes, std::function<void()> onEnd) {
    if (m_worker.joinable()) {
        throw std::logic_error("a run is still going on");
    }
    m_boxes = std::move(boxes);
    m_progress.reset();
    // Under the lock, so that a stop asked for at once (even by the worker itself) finds the
    // worker in place.
    std::lock_guard lock(m_mutex);
    m_ended = false;
    m_end = {};
    m_escaped = nullptr;
    m_printerAfter.reset();
    m_started = std::chrono::steady_clock::now();
    // The run goes on with the port map as it is now, whatever the Ports dialog sets meanwhile.
    m_worker = std::jthread(
        [this](std::stop_token stop, PortMap map, std::string routine, std::function<void()> then) {
            work(std::move(stop), std::move(map), std::move(routine), std::move(then));
        },
        m_devices->portMap(), std::string(name), std::move(onEnd));
}

void RunSession::work(std::stop_token stop, PortMap map, std::string name,
                      std::function<void()> onEnd) {
    RoutineEnd end;
    std::exception_ptr escaped;
    m_console.setRun({std::move(map), &m_progress, stop, false, {}});
    try {
        end = runRoutine(m_console, name);
    } catch (...) {
        escaped = std::current_exception();
    }
    m_console.setRun({});
    // The check after the run, on the port it printed on; a port that cannot be opened now says
    // nothing rather than turning a finished run into a failed one.
    std::optional<status::Verdict> printerAfter;
    const int port = status::portOfRun(m_progress.snapshot().port);
    if (m_checkAfterRun && !escaped && end.finished() && !stop.stop_requested() && port >= 0) {
        try {
            printerAfter = status::verdictOf(status::ask(*m_devices, port, m_console.events()));
        } catch (const std::exception&) {
            // ConsoleError, RunStopped: no verdict
        }
    }
    // The error carries what the device was last seen doing and the limit a stall is measured
    // against, so that its detail and the status line name the same cause (faultCauseOf).
    if (end.error) {
        end.error->facts().lastSeen = m_progress.snapshot().deviceState;
        end.error->facts().stallLimit = noProgressLimit();
    }
    {
        std::lock_guard lock(m_mutex);
        // A stop asked for before the run has ended ends it as a stop, also one that came after
        // the routine's last step on a channel: a stop is never reported as a success.
        if (end.finished() && !escaped && stop.stop_requested()) {
            end.stopped = true;
            end.stoppedAt = RunStopped::At::End;
            m_console.events().record(event::Stopped{0, end.stoppedAt});
        }
        if (end.stopped) {
            m_progress.stopped(end.stoppedAt);
        }
        m_end = std::move(end);
        m_escaped = escaped;
        m_printerAfter = printerAfter;
        m_took = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - m_started);
        m_ended = true;
    }
    m_endedChanged.notify_all();
    if (onEnd) {
        onEnd();
    }
}

void RunSession::requestStop() {
    // Under the lock that marks the run ended: a stop either comes in time to end the run as a
    // stop, or not at all.
    std::lock_guard lock(m_mutex);
    if (!m_ended) {
        m_worker.request_stop();
    }
}

bool RunSession::stopRequested() const {
    return m_worker.joinable() && m_worker.get_stop_token().stop_requested();
}

bool RunSession::ended() const {
    std::lock_guard lock(m_mutex);
    return m_ended;
}

bool RunSession::waitUntilEnded(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_endedChanged.wait_for(lock, timeout, [this] { return m_ended; });
}

RunOutcome RunSession::finish() {
    if (!m_worker.joinable()) {
        throw std::logic_error("no run to finish");
    }
    m_worker.join();
    m_worker = std::jthread();
    if (m_escaped) {
        std::rethrow_exception(std::exchange(m_escaped, nullptr));
    }
    return {std::move(m_end), m_boxes, m_progress.snapshot(), m_took, m_printerAfter};
}

}  // namespace mpt
