// The virtual printer on the command line: the options that choose it, and the listing that
// --decode writes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
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
              "# command set: EPSON mode, from the command at offset 0; mixed: CBM mode commands "
              "too, from offset 8, each read in its own set\n"
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
              "# 15 bytes in 8 items; EPSON mode commands: 2, CBM mode commands: 1, cuts: 2, "
              "unknown: 1, truncated: 1\n");
}

TEST(PrinterCommandLine, DecodeOfAFileThatCannotBeReadFails) {
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(printer::decodeFile("/no/such/stream.bin", out, err), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "mini-printer-test: cannot read /no/such/stream.bin\n");
}

}  // namespace
}  // namespace mpt
