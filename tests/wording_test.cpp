// SPDX-License-Identifier: MIT
// The console's words from the facts the channels and pages raise: every fault has its sentence,
// and what is said around it (a binding, a port unplugged since the last page, the state the
// device was last seen in) is said once, in one place.
#include <gtest/gtest.h>

#include <netdb.h>

#include <cerrno>
#include <chrono>
#include <string>

#include "channels/errors.h"
#include "core/wording.h"

namespace mpt {
namespace {

using namespace std::chrono_literals;

TEST(Wording, EachFaultInWords) {
    const struct {
        ErrorFacts facts;
        std::string words;
    } rows[] = {
        {{}, ""},
        {{.fault = Fault::System, .errnoValue = ENOENT, .device = "/dev/lp9"},
         "/dev/lp9: No such file or directory"},
        {{.fault = Fault::AccessDenied,
          .errnoValue = EACCES,
          .device = "/dev/ttyS0",
          .advice = AccessAdvice{AccessAdvice::Kind::JoinGroup, "", "dialout", 0, ""}},
         "/dev/ttyS0: Permission denied (join the dialout group, then log in again)"},
        {{.fault = Fault::InUse, .device = "/dev/lp0", .holder = LockHolder{42, ""}},
         "/dev/lp0: in use by another program (process 42)"},
        {{.fault = Fault::InUseLockFile,
          .device = "/dev/ttyUSB0",
          .seen = "/var/lock/LCK..ttyUSB0",
          .number = 7},
         "/dev/ttyUSB0: in use by another program (process 7 holds /var/lock/LCK..ttyUSB0)"},
        {{.fault = Fault::WentAway, .errnoValue = EIO, .device = "/dev/ttyUSB0"},
         "/dev/ttyUSB0: the device went away (Input/output error)"},
        {{.fault = Fault::Gone, .device = "/tmp/fifo"}, "/tmp/fifo: the device went away"},
        {{.fault = Fault::NotASerialDevice,
          .device = "/tmp/file",
          .serialDevices = {{"/dev/ttyUSB0", "/dev/serial/by-id/usb-X"}, {"/dev/ttyS0", ""}}},
         "/tmp/file: not a serial device. Serial devices present: /dev/ttyUSB0 "
         "(/dev/serial/by-id/usb-X), /dev/ttyS0. Map a port to one with MPT_COM<n>=DEVICE."},
        {{.fault = Fault::NoSerialDevice, .errnoValue = ENOENT, .device = "/dev/ttyUSB9"},
         "/dev/ttyUSB9: No such file or directory. No serial device is present on this machine; "
         "plug in the printer's cable or adapter."},
        {{.fault = Fault::NoReader, .device = "/tmp/fifo"}, "/tmp/fifo: no printer is reading it"},
        {{.fault = Fault::LinkToNothing, .device = "/tmp/lp", .seen = "/nowhere"},
         "/tmp/lp is a link to /nowhere, which does not exist; nothing is created through a link"},
        {{.fault = Fault::NotPluggedIn, .device = "COM3", .identity = "serial:by-id:usb-X"},
         "COM3 is bound to the serial device usb-X, which is not plugged in: plug it in, or choose "
         "another device under Ports… (Ctrl+,)"},
        {{.fault = Fault::NoProgress, .device = "/dev/lp0", .notTaken = 512, .limit = 1500ms},
         "/dev/lp0: the device took no data for 1.5 s (512 bytes of this write not sent)"},
        {{.fault = Fault::LastNotTaken, .device = "/dev/usb/lp0", .limit = 30s},
         "/dev/usb/lp0: the printer had not taken the last statement after 30 s"},
        {{.fault = Fault::StillQueued, .device = "tcp://printer:9100", .notTaken = 9, .limit = 2s},
         "tcp://printer:9100: 9 bytes were still waiting to be sent after 2 s without progress"},
        {{.fault = Fault::NonStandardRate, .device = "/dev/ttyS0", .number = 1234},
         "/dev/ttyS0: 1234 baud is not a standard rate"},
        {{.fault = Fault::BadSettings, .seen = "9600,x"},
         "Settings \"9600,x\": expected baud,parity,data bits,stop bits such as 9600,n,8,1"},
        {connectionError(68, "tcp://nowhere:9100",
                         {ConnectFailure::Stage::Lookup, 0, ETIMEDOUT, 250ms})
             .facts(),
         "tcp://nowhere:9100: no connection: the name was not found within 0.25 s"},
        {connectionError(68, "tcp://nowhere:9100", {ConnectFailure::Stage::Lookup, EAI_NONAME})
             .facts(),
         "tcp://nowhere:9100: no connection: " + std::string(::gai_strerror(EAI_NONAME))},
        {connectionError(68, "tcp://printer:9100",
                         {ConnectFailure::Stage::Connect, 0, ECONNREFUSED, 5s})
             .facts(),
         "tcp://printer:9100: no connection: Connection refused"},
        {connectionError(68, "tcp://printer:9100",
                         {ConnectFailure::Stage::Connect, 0, ETIMEDOUT, 5s})
             .facts(),
         "tcp://printer:9100: no connection: no answer within 5 s"},
        {connectionError(68, "tcp://x", {}).facts(),
         "tcp://x: no connection: not an address such as tcp://HOST:PORT"},
        {{.fault = Fault::CommPortWhileOpen}, "CommPort cannot change while the port is open"},
        {{.fault = Fault::OutputWhileClosed, .number = 3}, "Output to COM3"},
        {{.fault = Fault::NotLpt1, .seen = "lpt2"}, "\"lpt2\": the only device file is \"lpt1 \""},
        {{.fault = Fault::PortOutOfRange, .seen = "40000"},
         "the port box holds \"40000\", outside the port numbers -32768 to 32767"},
        {{.fault = Fault::TraceNotWritten, .errnoValue = ENOSPC, .device = "run.jsonl"},
         "run.jsonl: No space left on device (the trace was not written, from that step on)"},
        {{.fault = Fault::TraceNotWritten, .device = "the trace"},
         "the trace: cannot be written (the trace was not written, from that step on)"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(detailOf(row.facts), row.words);
    }
    // No fault is left without words.
    for (int f = 1; f <= static_cast<int>(Fault::UnknownException); ++f) {
        if (f != static_cast<int>(Fault::Unexpected)) {
            EXPECT_FALSE(detailOf(ErrorFacts{.fault = static_cast<Fault>(f)}).empty()) << f;
        }
    }
}

// What is said around a fault: the binding that decided the port, a port the run had open before,
// and the state the device was last seen in.
TEST(Wording, WhatIsSaidAroundAFault) {
    ErrorFacts missing{.fault = Fault::NoSerialDevice, .errnoValue = ENOENT, .device = "/dev/x"};
    missing.boundPort = "COM3";
    missing.boundIdentity = "printer:MFG=ACME;MDL=R80;SN=12";
    EXPECT_EQ(detailOf(missing),
              "/dev/x: No such file or directory. No serial device is present on this machine; "
              "plug in the printer's cable or adapter. COM3 is bound to the printer ACME R80 "
              "(serial 12) under Ports… (Ctrl+,): choose another device there.");
    missing.openEarlier = true;
    EXPECT_EQ(detailOf(missing),
              "/dev/x: the device went away since the last page (No such file or directory)");
    missing.fault = Fault::NotASerialDevice;
    EXPECT_EQ(detailOf(missing),
              "/dev/x: the device went away since the last page (not a serial device)");

    ConsoleError stalled =
        makeError(err::kDeviceTimeout,
                  {.fault = Fault::LastNotTaken, .device = "/dev/usb/lp0", .limit = 30s});
    EXPECT_EQ(detailOf(stalled), detailOf(stalled.facts()));
    stalled.facts().lastSeen = DeviceState{DeviceState::Kind::Printer, false, false, false, true};
    stalled.facts().stallLimit = 30s;
    EXPECT_EQ(detailOf(stalled),
              "/dev/usb/lp0: the printer had not taken the last statement after 30 s; stalled: "
              "paper out");
}

TEST(Wording, AdviceIdentitiesAndPorts) {
    EXPECT_EQ(adviceInWords({AccessAdvice::Kind::NoGroup, "root", "root", 0444, ""}),
              "owned by root:root with mode 0444, so no group may write to it; ask for write "
              "access, or run as its owner");
    EXPECT_EQ(adviceInWords({AccessAdvice::Kind::CannotMake, "root", "wheel", 0755, "/opt"}),
              "it cannot be made in /opt, owned by root:wheel with mode 0755");
    EXPECT_EQ(adviceInWords({}), "neither it nor its directory can be looked at");
    EXPECT_EQ(identityInWords("printer:MFG=ACME;MDL=R80"), "the printer ACME R80");
    EXPECT_EQ(identityInWords("path:/dev/ttyS4"), "/dev/ttyS4");

    DevicePresent device;
    device.node = "/dev/ttyUSB0";
    device.maker = "FTDI";
    device.usbId = "0403:6001";
    device.serial = "A1";
    device.advice = AccessAdvice{AccessAdvice::Kind::JoinGroup, "", "dialout", 0, ""};
    EXPECT_EQ(deviceLine(device),
              "/dev/ttyUSB0  FTDI (0403:6001, serial A1)  [not for this user: join the dialout "
              "group, then log in again]");

    const PortRoute bound{PortRoute::By::Binding, "", "serial:by-id:usb-X"};
    EXPECT_EQ(portMappings({{"COM1", {PortRoute::By::Default, "/dev/ttyS0", ""}, false},
                            {"COM3", bound, false},
                            {"lpt1", {}, false}}),
              "COM1 → /dev/ttyS0 (missing), COM3 → the serial device usb-X (not plugged in), "
              "lpt1 → nothing");
}

}  // namespace
}  // namespace mpt
