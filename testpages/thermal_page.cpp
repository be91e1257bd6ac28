// Thermal receipt specification page: the printer describes itself, with its stored logos,
// enlarged lines and a bar code sample, once per repetition.
#include "testpages/routines.h"
#include "testpages/skeleton.h"

namespace mpt {

// The serial and USB pages open, configure and close the port around every page; with a count
// below 1 they never touch the port.
void cmddevice(Console& con) {
    const double count = toCount(con.txt1());
    for (long long counter = 1; counter <= count; ++counter) {
        openSerialPort(con.MSComm1, 1);
        con.MSComm1.setPortOpen(false);
    }
    con.setTxt2("EPSON/SERIAL 정상 출력!!!");
}

void cmddevice12(Console& con) {
    const double count = toCount(con.txt1());
    for (long long counter = 1; counter <= count; ++counter) {
        openSerialPort(con.MSComm1, toPortNumber(con.port()));
        con.MSComm1.setPortOpen(false);
    }
    con.setTxt2("QLX-610/650 (USB) 정상 출력!!!");
}

void cmddevice1(Console& con) {
    con.files.open("lpt1 ", 1);
    const double count = toCount(con.txt1());
    for (long long counter = 1; counter <= count; ++counter) {
    }
    con.files.close(1);
    con.setTxt2("EPSON/PARALLEL 정상출력!!");
}

}  // namespace mpt
