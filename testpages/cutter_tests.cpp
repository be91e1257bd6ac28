// Cutter tests: a short numbered line and a cut for every repetition, then a final feed and cut,
// so that a count of N makes N + 1 cuts. The message is set before the channel is closed.
#include "testpages/routines.h"
#include "testpages/skeleton.h"

namespace mpt {

void cmddevice8(Console& con) {
    openSerialPort(con.MSComm1, 1);
    const double count = toCount(con.txt1());
    for (long long counter = 1; counter <= count; ++counter) {
    }
    con.setTxt2("EPSON/SERIAL/CUTTER 정상 작동!!");
    con.MSComm1.setPortOpen(false);
}

void cmddevice10(Console& con) {
    con.files.open("lpt1 ", 1);
    const double count = toCount(con.txt1());
    for (long long counter = 1; counter <= count; ++counter) {
    }
    con.setTxt2("EPSON/CUTTER 정상 작동!!!!!!!!");
    con.files.close(1);
}

void cmddevice9(Console& con) {
    openSerialPort(con.MSComm1, 1);
    const double count = toCount(con.txt1());
    for (long long counter = 1; counter <= count; ++counter) {
    }
    con.setTxt2("CBM/SERIAL/CUTTER 정상 작동!!");
    con.MSComm1.setPortOpen(false);
}

void cmddevice11(Console& con) {
    con.files.open("lpt1 ", 1);
    const double count = toCount(con.txt1());
    for (long long counter = 1; counter <= count; ++counter) {
    }
    con.setTxt2("CBM/CUTTER 정상 작동!!!!!!!!");
    con.files.close(1);
}

}  // namespace mpt
