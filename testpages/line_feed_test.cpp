// SPDX-License-Identifier: MIT
// Line feed test: 300 numbered lines whatever the count box holds, a feed, then the cut of each
// command set, CBM first, so that the paper is cut whichever set the printer is in.
#include <string>

#include "testpages/commands.h"
#include "testpages/routines.h"
#include "testpages/skeleton.h"

namespace mpt {

using namespace cmd;

namespace {
const std::string kLineNo = "MVR-720/730 LF 상태 TEST LINE NO :";
constexpr int kLines = 300;
}  // namespace

void cmddevice6(Console& con) {
    MSComm& comm = con.MSComm1;
    openSerialPort(comm, 1);
    for (int counter = 1; counter <= kLines; ++counter) {
        con.repetition(counter, kLines);
        comm.setOutput(kLineNo + std::to_string(counter) + "\r\n");
    }
    for (int feed = 1; feed <= 4; ++feed) {
        comm.setOutput(kLf + kLf);
    }
    comm.setOutput(cbmCut());
    comm.setOutput(partialCut());
    comm.setPortOpen(false);
    con.setTxt2("MVR-720/730 LF/SERIAL 상태출력완료!!");
}

void cmddevice7(Console& con) {
    FileTable& lpt = con.files;
    lpt.open("lpt1 ", 1);
    for (int counter = 1; counter <= kLines; ++counter) {
        con.repetition(counter, kLines);
        lpt.printLine(1, {kLineNo, Number{counter}});
    }
    for (int feed = 1; feed <= 3; ++feed) {
        lpt.printLine(1, {kLf});
    }
    lpt.printLine(1, {cbmCut()});
    lpt.printLine(1, {partialCut()});
    lpt.close(1);
    con.setTxt2("MVR-720/730 LF/PARALLEL 상태출력완료!!");
}

}  // namespace mpt
