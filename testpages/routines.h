// SPDX-License-Identifier: MIT
// The thirteen test routines, one for each button of the window, and the table that names them.
#pragma once

#include <span>
#include <string_view>

#include "testpages/console.h"

namespace mpt {

using Routine = void (*)(Console&);

struct RoutineInfo {
    std::string_view name;     // the button's control name
    std::string_view caption;  // the button's caption, blanks included
    Routine run;
};

// In the order of the buttons' names: cmddevice, cmddevice1 … cmddevice12.
std::span<const RoutineInfo> routines();
const RoutineInfo* findRoutine(std::string_view name);

// Thermal receipt page: the printer describes itself.
void cmddevice(Console& con);    // serial, port 1
void cmddevice1(Console& con);   // parallel
void cmddevice12(Console& con);  // USB: serial on the port typed into `port`
// Dot-matrix EPSON-mode test page.
void cmddevice4(Console& con);  // serial
void cmddevice5(Console& con);  // parallel
// Dot-matrix CBM-mode sample page.
void cmddevice2(Console& con);  // serial
void cmddevice3(Console& con);  // parallel
// Line feed test.
void cmddevice6(Console& con);  // serial
void cmddevice7(Console& con);  // parallel
// Cutter tests.
void cmddevice8(Console& con);   // EPSON, serial
void cmddevice9(Console& con);   // CBM, serial
void cmddevice10(Console& con);  // EPSON, parallel
void cmddevice11(Console& con);  // CBM, parallel

}  // namespace mpt
