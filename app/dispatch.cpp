#include "app/dispatch.h"

#include <stdexcept>
#include <string>

#include "testpages/routines.h"

namespace mpt {

static ConsoleError release(Console& con, const ConsoleError& error) {
    con.trace().error(error.number(), error.text(), error.detail());
    con.MSComm1.release();
    con.files.release();
    return error;
}

std::optional<ConsoleError> runRoutine(Console& con, std::string_view name) {
    const RoutineInfo* routine = findRoutine(name);
    if (routine == nullptr) {
        throw std::invalid_argument("no test routine is named " + std::string(name));
    }
    try {
        routine->run(con);
        return std::nullopt;
    } catch (const ConsoleError& error) {
        return release(con, error);
    } catch (const std::exception& unexpected) {
        // Nothing a routine does should raise anything else; if it does, the console still
        // names it and frees the channel instead of ending.
        return release(con, makeError(err::kInternalError, unexpected.what()));
    }
}

}  // namespace mpt
