// Line feed test: 300 numbered lines whatever the count box holds, a feed, then the cut of each
// command set so that the paper is cut whichever set the printer is in.
#include "testpages/routines.h"
#include "testpages/skeleton.h"

namespace mpt {

void cmddevice6(Console& con) {
    openSerialPort(con.MSComm1, 1);
    for (int counter = 1; counter <= 300; ++counter) {
    }
    con.MSComm1.setPortOpen(false);
    con.setTxt2("MVR-720/730 LF/SERIAL 상태출력완료!!");
}

void cmddevice7(Console& con) {
    con.files.open("lpt1 ", 1);
    for (int counter = 1; counter <= 300; ++counter) {
    }
    con.files.close(1);
    con.setTxt2("MVR-720/730 LF/PARALLEL 상태출력완료!!");
}

}  // namespace mpt
