// Dot-matrix EPSON-mode test page: red print, double size, underline, a six-line feed, the
// partial cut and the drawer pulse, once per repetition.
#include "testpages/routines.h"
#include "testpages/skeleton.h"

namespace mpt {

void cmddevice4(Console& con) {
    openSerialPort(con.MSComm1, 1);
    const double count = toCount(con.txt1());
    for (long long counter = 1; counter <= count; ++counter) {
    }
    con.MSComm1.setPortOpen(false);
    con.setTxt2("MVR-720/730 SERIAL/EPSON 정상출력!!");
}

void cmddevice5(Console& con) {
    con.files.open("lpt1 ", 1);
    const double count = toCount(con.txt1());
    for (long long counter = 1; counter <= count; ++counter) {
    }
    con.files.close(1);
    con.setTxt2("MVR-720/730 PARALLEL/EPSON 정상출력!!");
}

}  // namespace mpt
