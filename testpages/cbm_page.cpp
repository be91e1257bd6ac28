// Dot-matrix CBM-mode sample page: ruler, line attributes, double width, feed and cut inside the
// page bracket, once per repetition.
#include "testpages/routines.h"
#include "testpages/skeleton.h"

namespace mpt {

void cmddevice2(Console& con) {
    openSerialPort(con.MSComm1, 1);
    const double count = toCount(con.txt1());
    for (long long page = 1; page <= count; ++page) {
    }
    con.MSComm1.setPortOpen(false);
    con.setTxt2("CBM/SERIAL 정상출력!!");
}

void cmddevice3(Console& con) {
    con.files.open("lpt1 ", 1);
    const double count = toCount(con.txt1());
    for (long long page = 1; page <= count; ++page) {
    }
    con.files.close(1);
    con.setTxt2("CBM/PARALLEL 정상출력!!");
}

}  // namespace mpt
