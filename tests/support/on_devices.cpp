// SPDX-License-Identifier: MIT
#include "support/on_devices.h"

#include <gtest/gtest.h>

#include "support/fifo.h"
#include "support/pages.h"
#include "support/pty.h"
#include "support/stream.h"

namespace mpt::testing {

void expectReachesPseudoTerminal(const std::string& name, const std::string& count, int comPort,
                                 const std::string& expected, const std::string& port) {
    SCOPED_TRACE(name + " on a pseudo-terminal as COM" + std::to_string(comPort));
    PtyPrinter printer;
    ScopedEnv com("MPT_COM" + std::to_string(comPort), printer.devicePath());
    printer.startReading();
    const TracedRun run = runOnDevices(name, count, port);
    ASSERT_FALSE(run.error) << run.error->what();
    printer.waitFor(expected.size());
    expectSameBytes(printer.drainAll(), expected, "bytes received on the pseudo-terminal");
}

void expectReachesFifo(const std::string& name, const std::string& count,
                       const std::string& expected) {
    SCOPED_TRACE(name + " on a FIFO as lpt1");
    FifoPrinter printer;
    ASSERT_TRUE(printer.ready());
    ScopedEnv lpt1("MPT_LPT1", printer.path());
    const TracedRun run = runOnDevices(name, count);
    ASSERT_FALSE(run.error) << run.error->what();
    expectSameBytes(printer.finish(), expected, "bytes received on the FIFO");
}

}  // namespace mpt::testing
