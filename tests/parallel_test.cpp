// SPDX-License-Identifier: MIT
// The parallel channel: print statements over a real FIFO and a real file, the line ends and
// numbers they add, and the errors of a device that is missing or refuses the data.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <utility>

#include "channels/devices.h"
#include "channels/errors.h"
#include "channels/fd_io.h"
#include "channels/file_table.h"
#include "core/wording.h"
#include "support/pty.h"
#include "support/temp_dir.h"

namespace mpt {
namespace {

using namespace std::string_literals;
using testing::ScopedEnv;

int errorOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const ConsoleError& error) {
        return error.number();
    }
    return 0;
}

using testing::TempDir;

class ParallelFile : public ::testing::Test {
  protected:
    TempDir dir;
    std::unique_ptr<Devices> devices = systemDevices();
    std::ostringstream traceText;
    Trace trace{&traceText};
    RunContext filesRun = devices->startRun();
    FileTable files{*devices, filesRun, trace};
};

TEST_F(ParallelFile, StatementsWriteTheirItemsAndLineEnds) {
    const std::string path = dir.file("lpt1.out");
    ScopedEnv lpt("MPT_LPT1", path);
    files.open("lpt1 ", 1);
    files.printLine(1, {"\n"});                               // LF CR LF
    files.print(1, {"\x1B", "m"});                            // no line end
    files.printLine(1, {"\x1B", "m"});                        // ESC m CR LF
    files.printLine(1, {"NO :", Number{12}});                 // text, blank, 12, blank, CR LF
    files.print(1, {"\x1BP\0"s, "after"});                    // NUL and what follows it
    files.printLine(1, {"\r\n", "\r\n"});                     // CR LF CR LF CR LF
    files.printLine(1, {"A", Number{7}, Number{300}, "인"});  // numbers inside a statement
    files.close(1);
    EXPECT_EQ(testing::fileText(path),
              "\n\r\n"
              "\x1Bm"
              "\x1Bm\r\n"
              "NO : 12 \r\n"
              "\x1BP\0after"
              "\r\n\r\n\r\n"
              "A 7  300 \xC0\xCE\r\n"s);
    EXPECT_FALSE(files.isOpen(1));
}

TEST_F(ParallelFile, TraceShowsOpenEachStatementAndClose) {
    ScopedEnv lpt("MPT_LPT1", dir.file("lpt1.out"));
    files.open("lpt1 ", 1);
    files.printLine(1, {"\n"});
    files.close(1);
    EXPECT_EQ(traceText.str(),
              "{\"op\":\"Open\",\"name\":\"lpt1 \",\"file\":1}\n"
              "{\"op\":\"Print\",\"hex\":\"0a0d0a\"}\n"
              "{\"op\":\"Close\",\"file\":1}\n");
}

TEST_F(ParallelFile, AFifoReaderGetsEveryByteAfterClose) {
    const std::string fifo = dir.file("lpt1.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ScopedEnv lpt("MPT_LPT1", fifo);
    // The printer: reads until the console closes its end.
    auto printer = std::async(std::launch::async, [&] { return testing::fileText(fifo); });
    // Opening without a reader fails at once, so wait until the reader has the FIFO open.
    for (int i = 0; i < 200 && errorOf([&] { files.open("lpt1 ", 1); }) != 0; ++i) {
        ::usleep(5000);
    }
    ASSERT_TRUE(files.isOpen(1));
    std::string expected;
    for (int line = 1; line <= 3000; ++line) {  // more than a pipe holds
        files.printLine(1, {"LINE NO :", Number{line}});
        expected += "LINE NO : " + std::to_string(line) + " \r\n";
    }
    files.print(1, {"\x1BP\0"s});
    files.close(1);
    EXPECT_EQ(printer.get(), expected + "\x1BP\0"s);
}

// Two runs on one printer: the second console is refused while the first holds "lpt1 " open, with
// the holder named, and the first one's stream is left whole (a file is not emptied under it).
TEST_F(ParallelFile, ASecondOpenerIsRefusedAndMixesNothingIn) {
    const std::string fifo = dir.file("lpt1.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    for (const std::string& path : {dir.file("lpt1.out"), fifo}) {
        SCOPED_TRACE(path);
        ScopedEnv lpt("MPT_LPT1", path);
        files.open("lpt1 ", 1);
        files.printLine(1, {"first"});
        const auto otherDevices = systemDevices();
        RunContext otherRun = otherDevices->startRun();
        FileTable second(*otherDevices, otherRun, trace);
        try {
            second.open("lpt1 ", 1);
            ADD_FAILURE() << "the second console opened it too";
        } catch (const ConsoleError& error) {
            EXPECT_EQ(error.number(), 75);
            EXPECT_EQ(detailOf(error), path + ": in use by another program (process " +
                                           std::to_string(::getpid()) + ", mpt_tests)");
        }
        files.printLine(1, {"still first"});
        files.close(1);
        if (path != fifo) {
            EXPECT_EQ(testing::fileText(path), "first\r\nstill first\r\n");
        }
        second.open("lpt1 ", 1);  // free again
        second.close(1);
    }
    char buffer[64] = {};
    EXPECT_EQ(::read(reader, buffer, sizeof buffer), 20);
    EXPECT_EQ(std::string(buffer), "first\r\nstill first\r\n");
    ::close(reader);
}

TEST_F(ParallelFile, MissingDeviceIsDeviceUnavailable) {
    ScopedEnv lpt("MPT_LPT1", "/dev/no-such-lp");
    EXPECT_EQ(errorOf([&] { files.open("lpt1 ", 1); }), 68);
    ScopedEnv inMissingDir("MPT_LPT1", dir.file("no/such/dir"));
    EXPECT_EQ(errorOf([&] { files.open("lpt1 ", 1); }), 68);
    const std::string fifo = dir.file("nobody-reads");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ScopedEnv noReader("MPT_LPT1", fifo);
    EXPECT_EQ(errorOf([&] { files.open("lpt1 ", 1); }), 68);
    EXPECT_FALSE(files.isOpen(1));
}

// What is created is decided on where the path really leads, however it is spelled: a plain file
// anywhere but under /dev, nothing under /dev, nothing through a link that leads nowhere.
TEST_F(ParallelFile, CreatesOnlyWhereThePathReallyLeads) {
    const std::string absent = "mpt-absent-" + std::to_string(::getpid());
    const std::string inDev = "/dev/" + absent;
    ASSERT_EQ(::symlink("/dev", dir.file("devlink").c_str()), 0);
    ASSERT_EQ(::symlink(dir.file("missing.out").c_str(), dir.file("dangling").c_str()), 0);
    ASSERT_EQ(::symlink(inDev.c_str(), dir.file("dangling-dev").c_str()), 0);
    std::ofstream(dir.file("target.out")) << "old contents";
    ASSERT_EQ(::symlink(dir.file("target.out").c_str(), dir.file("tofile").c_str()), 0);
    struct Case {
        const char* name;
        std::string path;
        std::string from;     // the working directory, where not the test's own
        int error;            // 0: the statement arrives in `written`
        std::string written;  // where the bytes land; on an error, what must not exist
    };
    const Case cases[] = {
        {"a new plain file", dir.file("new.out"), "", 0, dir.file("new.out")},
        {"a new file by a relative name", "rel.out", dir.file(""), 0, dir.file("rel.out")},
        {"a link to a file", dir.file("tofile"), "", 0, dir.file("target.out")},
        {"a link that leads nowhere", dir.file("dangling"), "", 68, dir.file("missing.out")},
        {"a link that leads nowhere in /dev", dir.file("dangling-dev"), "", 68, inDev},
        {"a missing device", inDev, "", 68, inDev},
        {"a doubled slash", "/" + inDev, "", 68, inDev},
        {"a dot", "/." + inDev, "", 68, inDev},
        {"dev/ from the root", inDev.substr(1), "/", 68, inDev},
        {"a directory that is a link to /dev", dir.file("devlink/" + absent), "", 68, inDev},
    };
    char* cwd = ::getcwd(nullptr, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedEnv lpt("MPT_LPT1", c.path);
        ASSERT_EQ(::chdir(c.from.empty() ? cwd : c.from.c_str()), 0);
        const int error = errorOf([&] {
            files.open("lpt1 ", 1);
            files.printLine(1, {"x"});
            files.close(1);
        });
        ASSERT_EQ(::chdir(cwd), 0);
        EXPECT_EQ(error, c.error);
        EXPECT_FALSE(files.isOpen(1));
        if (c.error == 0) {
            EXPECT_EQ(testing::fileText(c.written), "x\r\n");
        } else {
            EXPECT_NE(::access(c.written.c_str(), F_OK), 0) << c.written << " was created";
            ::unlink(c.written.c_str());
        }
    }
    std::free(cwd);
}

TEST_F(ParallelFile, DeviceThatTakesNoDataIsAnIoError) {
    ScopedEnv lpt("MPT_LPT1", "/dev/full");
    files.open("lpt1 ", 1);
    EXPECT_EQ(errorOf([&] { files.printLine(1, {"x"}); }), 57);
    files.release();
    EXPECT_FALSE(files.isOpen(1));
}

TEST_F(ParallelFile, AReaderThatGoesAwayIsAnIoErrorNotTheEnd) {
    const std::string fifo = dir.file("lpt1.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ScopedEnv lpt("MPT_LPT1", fifo);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    files.open("lpt1 ", 1);
    ::close(reader);
    EXPECT_EQ(errorOf([&] { files.printLine(1, {"x"}); }), 57);
    files.release();
}

TEST_F(ParallelFile, AReaderThatNeverDrainsEndsInTimeout) {
    ScopedEnv limit("MPT_IO_TIMEOUT_MS", "200");
    const std::string fifo = dir.file("lpt1.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ScopedEnv lpt("MPT_LPT1", fifo);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    files.open("lpt1 ", 1);
    EXPECT_EQ(errorOf([&] { files.print(1, {std::string(1 << 20, 'x')}); }), 24);
    files.release();
    ::close(reader);
}

// "lpt1 " on a character device (a pseudo-terminal here) whose printer has stopped taking data:
// its buffer is filled through a second opening until the device reports no room. Closing the
// file then waits for room, as it waits for a USB printer's last transfer.
class LptOnAFullDevice : public ::testing::Test {
  protected:
    void SetUp() override {
        const int filler = ::open(printer.devicePath().c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(filler, 0);
        const std::string block(1024, 'x');
        for (int i = 0; i < 1024 && ::write(filler, block.data(), block.size()) > 0; ++i) {
        }
        ASSERT_EQ(errno, EAGAIN) << "the device never filled";
        ::close(filler);
    }

    // Opens "lpt1 " and closes it; returns the error of the close and how long it took.
    std::pair<int, std::chrono::milliseconds> openAndClose() {
        files.open("lpt1 ", 1);
        const auto start = std::chrono::steady_clock::now();
        const int error = errorOf([&] { files.close(1); });
        return {error, std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - start)};
    }

    ScopedEnv limit{"MPT_IO_TIMEOUT_MS", "300"};
    testing::PtyPrinter printer;
    ScopedEnv lpt{"MPT_LPT1", printer.devicePath()};
    std::unique_ptr<Devices> devices = systemDevices();
    Trace trace;
    RunContext filesRun = devices->startRun();
    FileTable files{*devices, filesRun, trace};
};

TEST_F(LptOnAFullDevice, TheCloseWaitsForThePrinterToTakeData) {
    ScopedEnv patient("MPT_IO_TIMEOUT_MS", "10000");  // far beyond the reader's start
    auto reader = std::async(std::launch::async, [&] {
        ::usleep(150'000);
        printer.startReading();
    });
    const auto [error, took] = openAndClose();
    reader.get();
    EXPECT_EQ(error, 0);
    EXPECT_GE(took, std::chrono::milliseconds(100)) << "the close did not wait";
    EXPECT_FALSE(files.isOpen(1));
}

TEST_F(LptOnAFullDevice, APrinterThatTakesNothingIsATimeoutAtTheClose) {
    const auto [error, took] = openAndClose();
    EXPECT_EQ(error, 24);
    EXPECT_GE(took, std::chrono::milliseconds(300));
    EXPECT_FALSE(files.isOpen(1));
    files.open("lpt1 ", 1);  // the file number and the device are free again
    files.release();
}

TEST_F(LptOnAFullDevice, APrinterUnpluggedBeforeTheCloseIsAnIoError) {
    files.open("lpt1 ", 1);
    printer.unplug();
    EXPECT_EQ(errorOf([&] { files.close(1); }), 57);
    EXPECT_FALSE(files.isOpen(1));
}

// The wait at the close of a device, on a real pipe: it ends when the reader makes room, and
// within the limit with "Device timeout" when nobody does, or "Device I/O error" when the reader
// is gone.
class WaitUntilTaken : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(::pipe2(m_fds, O_NONBLOCK | O_CLOEXEC), 0);
        const std::string block(4096, 'x');
        while (::write(m_fds[1], block.data(), block.size()) > 0) {
        }
        ASSERT_EQ(errno, EAGAIN) << "the pipe is not full";
    }
    void TearDown() override {
        closeReader();
        ::close(m_fds[1]);
    }
    void closeReader() {
        if (m_fds[0] >= 0) {
            ::close(m_fds[0]);
            m_fds[0] = -1;
        }
    }
    int m_fds[2] = {-1, -1};
};

TEST_F(WaitUntilTaken, EndsWhenThePrinterTakesTheRest) {
    auto reader = std::async(std::launch::async, [this] {
        ::usleep(50'000);
        char buffer[65536];
        return ::read(m_fds[0], buffer, sizeof buffer);
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(errorOf([&] { waitUntilTaken(m_fds[1], std::chrono::seconds(10), "lp"); }), 0);
    EXPECT_GT(reader.get(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(WaitUntilTaken, APrinterThatTakesNothingIsATimeoutAfterTheLimit) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(errorOf([&] { waitUntilTaken(m_fds[1], std::chrono::milliseconds(200), "lp"); }), 24);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
}

TEST_F(WaitUntilTaken, APrinterThatWentAwayIsAnIoError) {
    closeReader();
    EXPECT_EQ(errorOf([&] { waitUntilTaken(m_fds[1], std::chrono::seconds(10), "lp"); }), 57);
}

// With room left, a reader that went away reports room and the error at once: the error wins.
TEST(WaitUntilTakenWithRoom, APrinterThatWentAwayIsAnIoErrorNotSuccess) {
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_NONBLOCK | O_CLOEXEC), 0);
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    ::close(fds[0]);
    EXPECT_EQ(errorOf([&] { waitUntilTaken(fds[1], std::chrono::seconds(10), "lp"); }), 57);
    ::close(fds[1]);
}

TEST_F(ParallelFile, FileNumbersAndNames) {
    ScopedEnv lpt("MPT_LPT1", dir.file("lpt1.out"));
    EXPECT_EQ(errorOf([&] { files.open("lpt2", 1); }), 52);
    EXPECT_EQ(errorOf([&] { files.printLine(1, {"x"}); }), 52);
    files.open("LPT1", 1);
    EXPECT_EQ(errorOf([&] { files.open("lpt1 ", 1); }), 55);
    files.close(1);
    files.open("lpt1 ", 1);  // free again after closing
    files.close(1);
}

// MPT_IO_TIMEOUT_MS sets the no-progress limit either way, shorter for tests and longer for a
// printer that pauses; anything but a whole number above 0 leaves the 30 s.
TEST(NoProgressLimit, SetShorterOrLongerByTheEnvironment) {
    const struct {
        const char* value;
        long long ms;
    } cases[] = {{"250", 250},  {"120000", 120000}, {"", 30000},    {"0", 30000},
                 {"-5", 30000}, {"abc", 30000},     {"1.5", 30000}, {"99999999999", 30000}};
    for (const auto& c : cases) {
        ScopedEnv limit("MPT_IO_TIMEOUT_MS", c.value);
        EXPECT_EQ(noProgressLimit().count(), c.ms) << c.value;
    }
}

TEST(LptMapping, EnvironmentFirstThenTheUsualDevices) {
    {
        ScopedEnv lpt("MPT_LPT1", "/tmp/somewhere");
        EXPECT_EQ(lpt1DevicePath(), "/tmp/somewhere");
    }
    ::unsetenv("MPT_LPT1");
    const std::string path = lpt1DevicePath();
    const bool lp0 = ::access("/dev/lp0", F_OK) == 0;
    const bool usb = ::access("/dev/usb/lp0", F_OK) == 0;
    EXPECT_EQ(path, lp0 ? "/dev/lp0" : usb ? "/dev/usb/lp0" : "");
    EXPECT_EQ(serialDevicePath(3), "/dev/ttyS2");
    ScopedEnv com3("MPT_COM3", "/dev/ttyUSB0");
    EXPECT_EQ(serialDevicePath(3), "/dev/ttyUSB0");
}

}  // namespace
}  // namespace mpt
