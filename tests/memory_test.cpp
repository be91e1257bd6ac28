// SPDX-License-Identifier: MIT
// A technician may type a very large count: the console sends page after page without keeping
// anything of the pages sent, so its memory stays flat however many pages a run makes.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "channels/devices.h"
#include "core/dispatch.h"
#include "support/sanitizers.h"

namespace mpt {
namespace {

// The resident set of this process in KiB.
long residentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

long residentAfterRun(const std::string& routine, const std::string& count) {
    const auto devices = dryRunDevices();
    Trace trace;
    TextBoxStore boxes(count);
    Console con(boxes, *devices, trace);
    EXPECT_TRUE(runRoutine(con, routine).finished());
    return residentKiB();
}

TEST(Memory, FlatOverAThousandPages) {
    if (mpt::testing::kAddressSanitizer) {
        GTEST_SKIP() << "freed memory is quarantined under AddressSanitizer";
    }
    if (residentKiB() < 0) {
        GTEST_SKIP() << "no /proc/self/status here";
    }
    for (const char* routine : {"cmddevice", "cmddevice1", "cmddevice4", "cmddevice3"}) {
        const long afterTen = residentAfterRun(routine, "10");
        const long afterThousand = residentAfterRun(routine, "1000");
        // A thousand thermal pages are about 876 KB of output; keeping any of it would show.
        EXPECT_LT(afterThousand - afterTen, 256)
            << routine << ": " << afterTen << " KiB after 10 pages, " << afterThousand
            << " KiB after 1000";
    }
}

}  // namespace
}  // namespace mpt
