// SPDX-License-Identifier: MIT
#include "core/dispatch.h"

#include <atomic>
#include <stdexcept>
#include <string>

#include "core/texts.h"
#include "core/wording.h"
#include "testpages/routines.h"

namespace mpt {

namespace {

std::atomic<long long> g_started{0};

// Frees the channels a routine left open. After a stop the devices end their waits within the
// stop's grace; after an error they drain within the no-progress limit.
void releaseChannels(Console& con) {
    con.MSComm1.release();
    con.files.release();
}

RoutineEnd failed(Console& con, const ConsoleError& error) {
    const std::string detail = detailOf(error);
    con.events().record(event::Failed{error.number(), error.text(), detail});
    releaseChannels(con);
    return {error, false};
}

}  // namespace

RoutineEnd runRoutine(Console& con, std::string_view name) {
    const RoutineInfo* routine = findRoutine(name);
    if (routine == nullptr) {
        throw std::invalid_argument("no test routine is named " + std::string(name));
    }
    ++g_started;
    // The ports the routine opens stay claimed until it has ended, also between its pages.
    struct RunClaims {
        RunContext& run;
        explicit RunClaims(RunContext& r) : run(r) { run.keepsClaims = true; }
        ~RunClaims() {
            run.keepsClaims = false;
            run.claims.clear();
        }
    } claims(con.run());
    try {
        routine->run(con);
        return {};
    } catch (const RunStopped& stop) {
        con.events().record(event::Stopped{stop.notTaken(), stop.at()});
        releaseChannels(con);
        return {std::nullopt, true, stop.at()};
    } catch (const ConsoleError& error) {
        return failed(con, error);
    } catch (const std::exception& unexpected) {
        // Nothing a routine does should raise anything else; if it does, the console still
        // names it and frees the channel instead of ending.
        return failed(con, makeError(err::kInternalError,
                                     {.fault = Fault::Unexpected, .seen = unexpected.what()}));
    } catch (...) {
        return failed(con, makeError(err::kInternalError, {.fault = Fault::UnknownException}));
    }
}

long long routinesStarted() {
    return g_started;
}

}  // namespace mpt
