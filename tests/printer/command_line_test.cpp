// SPDX-License-Identifier: MIT
// The virtual printer on the command line: the options that choose it, and the listing that
// --decode writes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/runner.h"
#include "printer/file_commands.h"
#include "printer/listing.h"

namespace mpt {
namespace {

using namespace std::string_literals;

CommandLine parse(std::vector<const char*> args) {
    args.insert(args.begin(), "mini-printer-test");
    return parseCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(PrinterCommandLine, ChoosesTheVirtualPrinterModes) {
    const CommandLine virtualWindow = parse({"--virtual", "--trace", "t.jsonl"});
    EXPECT_EQ(virtualWindow.mode, CommandLine::Mode::Window);
    EXPECT_TRUE(virtualWindow.virtualPrinter);
    EXPECT_EQ(virtualWindow.traceFile, "t.jsonl");

    const CommandLine decode = parse({"--decode", "page.bin"});
    EXPECT_EQ(decode.mode, CommandLine::Mode::Decode);
    EXPECT_EQ(decode.streamFile, "page.bin");

    const CommandLine render = parse({"--out", "pictures", "--render", "-"});
    EXPECT_EQ(render.mode, CommandLine::Mode::Render);
    EXPECT_EQ(render.streamFile, "-");
    EXPECT_EQ(render.outDirectory, "pictures");

    EXPECT_FALSE(parse({"--dry-run"}).virtualPrinter);
}

TEST(PrinterCommandLine, RefusesOptionsThatDoNotGoTogether) {
    for (const auto& args : std::vector<std::vector<const char*>>{
             {"--decode"},
             {"--render", "a.bin"},
             {"--out", "dir"},
             {"--decode", "a.bin", "--out", "dir"},
             {"--decode", "a.bin", "--render", "b.bin", "--out", "dir"},
             {"--decode", "a.bin", "--dry-run"},
             {"--decode", "a.bin", "--bogus"},
             {"--render", "a.bin", "--out", "dir", "--run", "cmddevice"},
             {"--virtual", "--dry-run"},
             {"--virtual", "--run", "cmddevice9"},
             {"--virtual", "--list"}}) {
        const CommandLine cl = parse(args);
        EXPECT_EQ(cl.mode, CommandLine::Mode::Usage) << args.front() << " " << args.back();
        EXPECT_FALSE(cl.usageError.empty());
    }
}

// The whole listing of a short stream that mixes the command sets and ends inside a sequence,
// written out by hand.
TEST(PrinterCommandLine, DecodeListsEveryItemWithItsOffsetBytesAndMeaning) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("mpt-decode-" + std::to_string(::getpid())))
            .string();
    {
        std::ofstream file(path, std::ios::binary);
        file << "\x1b!\x21"
                "A\xc7\xd1\r\n\x1bP\x00\x1bm\x07\x1b"s;
    }
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(printer::decodeFile(path, out, err), 0);
    std::remove(path.c_str());
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(out.str(),
              "     0  1b 21 21              EPSON ESC ! 0x21  select print mode: font B, double "
              "width\n"
              "     3  41 c7 d1                    text  \"A한\"\n"
              "     6  0d                          CR  carriage return: back to the line's start, "
              "no feed\n"
              "     7  0a                          LF  line feed: prints the line and feeds the "
              "paper one line\n"
              "     8  1b 50 00              CBM   ESC P 0x00  cut: cuts the paper through\n"
              "    11  1b 6d                 EPSON ESC m  partial cut: cuts the paper, one point "
              "left uncut\n"
              "    13  07                          BEL  unknown: control byte BEL (0x07) is not a "
              "command here\n"
              "    14  1b                          ESC  truncated: ESC at the end of the stream\n"
              "# command set: EPSON mode, from the command at offset 0; mixed: CBM mode commands "
              "too, from offset 8, each read in its own set\n"
              "# 15 bytes in 8 items; EPSON mode commands: 2, CBM mode commands: 1, cuts: 2, "
              "unknown: 1, truncated: 1\n");
}

TEST(PrinterCommandLine, DecodeOfAFileThatCannotBeReadFails) {
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(printer::decodeFile("/no/such/stream.bin", out, err), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(),
              "mini-printer-test: cannot read /no/such/stream.bin: No such file or directory\n");
}

// Only a stream that ends is read: a device that never ends, or a directory, is refused at once
// with a message, standard input included.
TEST(PrinterCommandLine, DecodeAndRenderRefuseWhatIsNotAStream) {
    for (const auto& [path, what] :
         {std::pair{"/dev/zero", "a character device"}, std::pair{"/tmp", "a directory"}}) {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(printer::decodeFile(path, out, err), 1);
        EXPECT_EQ(printer::renderFile(path, "/nonexistent/never-made", out, err), 1);
        EXPECT_EQ(out.str(), "");
        const std::string message = "mini-printer-test: " + std::string(path) + " is " + what +
                                    ", not a stream kept in a file: give a file or a FIFO\n";
        EXPECT_EQ(err.str(), message + message);
    }
}

// --render into a folder that holds the pages of an earlier stream: those pages go, and only the
// new stream's are there after; other files stay, those named nearly like a page among them.
TEST(PrinterCommandLine, RenderReplacesThePagesOfAnEarlierRender) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("mpt-render-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    for (const char* old :
         {"page-001.png", "page-002.png", "page-1000-uncut.png", "notes.txt", "page-.png",
          "page-1a.png", "page-3-uncut-uncut.png", "page-4.png.bak", "page--uncut.png"}) {
        std::ofstream(dir / old) << "old";
    }
    const std::filesystem::path stream = dir / "stream.bin";
    std::ofstream(stream, std::ios::binary) << "one\n\x1bm";
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(printer::renderFile(stream.string(), dir.string(), out, err), 0) << err.str();
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{
                         "notes.txt", "page--uncut.png", "page-.png", "page-001.png", "page-1a.png",
                         "page-3-uncut-uncut.png", "page-4.png.bak", "stream.bin"}));
    EXPECT_NE(std::ifstream(dir / "page-001.png").get(), 'o');  // a new picture
    std::filesystem::remove_all(dir);
}

#ifdef MPT_CONSOLE_BINARY
// --decode reads a stream in constant memory: 20 MB of random bytes (every kind of item, unknown
// bytes most of all) stay under 40 MB of peak memory; 20.6 MB was measured, most of it the
// program and its libraries. Not under AddressSanitizer, which keeps freed memory on purpose.
TEST(PrinterCommandLine, DecodeOfALargeStreamStaysInBoundedMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer holds freed memory";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "AddressSanitizer holds freed memory";
#endif
#endif
    const std::string path =
        (std::filesystem::temp_directory_path() / ("mpt-random-" + std::to_string(::getpid())))
            .string();
    {
        std::ofstream file(path, std::ios::binary);
        std::mt19937 random(7);
        std::string block(1 << 20, '\0');
        for (int mb = 0; mb < 20; ++mb) {
            for (char& c : block) {
                c = static_cast<char>(random());
            }
            file << block;
        }
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::execl(MPT_CONSOLE_BINARY, MPT_CONSOLE_BINARY, "--decode", path.c_str(), nullptr);
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    std::remove(path.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_LT(usage.ru_maxrss, 40 * 1024) << "peak memory in KiB";
}
#endif

}  // namespace
}  // namespace mpt
