// SPDX-License-Identifier: MIT
#include "testpages/routines.h"

#include <array>

namespace mpt {

namespace {
constexpr std::array<RoutineInfo, 13> kRoutines{{
    {"cmddevice", "QLX-610/650 SERIAL(EPSON)", cmddevice},
    {"cmddevice1", "QLX-610/650 PARALLEL(EPSON) ", cmddevice1},
    {"cmddevice2", "MVR-720/730 SERIAL(CBM)", cmddevice2},
    {"cmddevice3", "MVR-720/730 PARALLEL(CBM)", cmddevice3},
    {"cmddevice4", "MVR-720/730 SERIAL(EPSON)", cmddevice4},
    {"cmddevice5", "MVR-720/730  PARALLEL(EPSON)", cmddevice5},
    {"cmddevice6", " MVR720/730       SERIAL     LINE FEED TEST", cmddevice6},
    {"cmddevice7", " MVR720/730       PARALLEL   LINE FEED TEST", cmddevice7},
    {"cmddevice8", "CUTTER TEST EPSON SERIAL", cmddevice8},
    {"cmddevice9", "CUTTER TEST   CBM SERIAL", cmddevice9},
    {"cmddevice10", "CUTTER TEST EPSON PARALLEL", cmddevice10},
    {"cmddevice11", "CUTTER    TEST   CBM PARALLEL", cmddevice11},
    {"cmddevice12", "QLX-610/650 USB(EPSON)", cmddevice12},
}};
}  // namespace

std::span<const RoutineInfo> routines() {
    return kRoutines;
}

const RoutineInfo* findRoutine(std::string_view name) {
    for (const RoutineInfo& routine : kRoutines) {
        if (routine.name == name) {
            return &routine;
        }
    }
    return nullptr;
}

}  // namespace mpt
