// SPDX-License-Identifier: MIT
// How fast the virtual printer takes receipts as point-of-sale programs send them: pages drawn a
// second by --render's path (decoder, paper, picture), for a receipt of text and for one with a
// 240x96 raster logo and a QR code; how long the printer's window takes to show a receipt after its
// last byte; and how many megabytes a second --decode's path reads. Prints figures; it is not a
// test. `printer_bench [--seconds S]`; needs no display (offscreen). Rates are per second of
// processor time; the window's latency is time that passes.
#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "printer/decoder.h"
#include "printer/layout.h"
#include "printer/listing.h"
#include "printer/render.h"
#include "printer/virtual_printer.h"
#include "printer/window/preview_window.h"

namespace {

// Rates are reckoned on the processor time this process has used, so that other programs busy on
// the machine do not lower them (on an idle machine it is the time that passes).
using mpt::bench::cpuSeconds;
using mpt::bench::median;

using namespace std::string_literals;

// A shop's receipt: a heading in a large size, centred; item lines in two columns; a total in
// emphasis; a footer; a full cut. The commands most receipt programs send.
std::string textReceipt() {
    std::string r = "\x1b@\x1b\x61\x01\x1d!\x11"s + "CAFE BENCH\n" + "\x1d!\x00"s;
    r += "12 Main Street\nTel 010-1234-5678\n\x1b\x61\x00"s;
    r += std::string(48, '-') + "\n";
    for (int i = 1; i <= 20; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "%-36s%12s\n",
                      ("Item number " + std::to_string(i)).c_str(),
                      (std::to_string(i * 3) + ".50").c_str());
        r += line;
    }
    r += std::string(48, '-') + "\n";
    r += "\x1b\x45\x01"s + "TOTAL                                     99.00\n" + "\x1b\x45\x00"s;
    r += "\x1b\x61\x01Thank you!\n\x1b\x64\x03\x1dV\x42\x00"s;
    return r;
}

// The same with a 240x96 raster logo (GS v 0) at its head and a QR code (GS ( k) at its foot.
std::string logoReceipt() {
    std::string logo = "\x1dv0\x00"s;
    const int widthBytes = 240 / 8;
    const int height = 96;
    logo += static_cast<char>(widthBytes);
    logo += '\0';
    logo += static_cast<char>(height);
    logo += '\0';
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < widthBytes; ++x) {
            logo += static_cast<char>(((x + y / 8) % 3 == 0) ? 0xFF : (x * 37 + y) & 0xFF);
        }
    }
    const std::string url = "https://example.com/receipt/000123456";
    std::string qr =
        "\x1d(k\x04\x00\x31\x41\x32\x00"s  // model 2
        "\x1d(k\x03\x00\x31\x43\x06"s      // module 6 dots
        "\x1d(k\x03\x00\x31\x45\x31"s;     // error level M
    const std::size_t store = url.size() + 3;
    qr += "\x1d(k"s + static_cast<char>(store & 0xFF) + static_cast<char>(store >> 8) +
          "\x31\x50\x30"s + url;
    qr += "\x1d(k\x03\x00\x31\x51\x30"s;
    std::string r = textReceipt();
    const std::size_t cut = r.rfind("\x1dV"s);
    return "\x1b@\x1b\x61\x01"s + logo + "\n"s + r.substr(0, cut) + "\x1b\x61\x01"s + qr + "\n"s +
           r.substr(cut);
}

double seconds(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

// Receipts a second through decoder, paper and picture, as --render draws them; with `png`, each
// picture also written as --render writes it (PNG, to memory here).
double renderRate(const std::string& receipt, double budget, int* pagesPerReceipt, bool png) {
    const double start = cpuSeconds();
    int receipts = 0;
    int pages = 0;
    while (cpuSeconds() - start < budget || receipts < 3) {
        mpt::printer::PageBuilder paper;
        paper.add(mpt::printer::decode(receipt));
        int number = 0;
        for (const mpt::printer::Page& page : paper.pages()) {
            const QImage image =
                mpt::printer::renderPage(page, mpt::printer::pageCaption(page, ++number));
            if (image.isNull()) {
                std::abort();
            }
            if (png) {
                QByteArray bytes;
                QBuffer buffer(&bytes);
                buffer.open(QIODevice::WriteOnly);
                if (!mpt::printer::writePng(image, buffer)) {
                    std::abort();
                }
            }
        }
        pages = number;
        ++receipts;
    }
    *pagesPerReceipt = pages;
    return receipts / (cpuSeconds() - start);
}

// Megabytes a second through decoder and listing, as --decode reads a stream, in 64 KiB parts.
double decodeRate(const std::string& stream, std::size_t* unknown) {
    std::ostringstream sink;
    const double start = cpuSeconds();
    mpt::printer::Decoder decoder;
    mpt::printer::ListingWriter listing(sink);
    for (std::size_t at = 0; at < stream.size(); at += 65536) {
        listing.add(decoder.feed(std::string_view(stream).substr(at, 65536)));
        sink.str({});
    }
    listing.add(decoder.finish());
    *unknown = listing.finish(stream.size());
    return static_cast<double>(stream.size()) / 1e6 / (cpuSeconds() - start);
}

// Milliseconds from a receipt's last byte to the window showing its page, median of `runs`.
double windowLatency(const std::string& receipt, int runs) {
    mpt::VirtualPrinter printer;
    mpt::PreviewWindow window(printer);
    window.show();
    QApplication::processEvents();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const int before = window.pageCount();
        QElapsedTimer timer;
        timer.start();
        printer.receive(QStringLiteral("COM1"),
                        QByteArray(receipt.data(), static_cast<qsizetype>(receipt.size())));
        while (!(window.pageCount() > before && window.shownPage() == window.pageCount() - 1 &&
                 !window.shownImage().isNull()) &&
               seconds(timer) < 5) {
            QApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        times.push_back(seconds(timer) * 1000);
        printer.clearPaper();
        window.refresh();
    }
    return median(times);
}

}  // namespace

int main(int argc, char** argv) {
    double budget = 3.0;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0) {
            budget = std::atof(argv[i + 1]);
        }
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    mpt::printer::prepareCodePage();

    const std::string text = textReceipt();
    const std::string logo = logoReceipt();
    int textPages = 0;
    int logoPages = 0;
    for (const bool png : {false, true}) {
        const double textRate = renderRate(text, budget, &textPages, png);
        const double logoRate = renderRate(logo, budget, &logoPages, png);
        const char* what = png ? "drawn and written as PNG" : "drawn";
        std::printf("render, text receipt (%zu bytes, %d page), %s: %.1f receipts/s (goal 200)\n",
                    text.size(), textPages, what, textRate);
        std::printf(
            "render, logo and QR receipt (%zu bytes, %d page), %s: %.1f receipts/s (goal 50)\n",
            logo.size(), logoPages, what, logoRate);
    }

    std::string stream;
    while (stream.size() < 20u * 1000 * 1000) {
        stream += text;
        stream += logo;
    }
    std::size_t unknown = 0;
    const double rate = decodeRate(stream, &unknown);
    std::printf(
        "decode, %.1f MB of receipts: %8.2f MB/s (goal 20), %zu unknown or truncated items\n",
        static_cast<double>(stream.size()) / 1e6, rate, unknown);

    std::printf("window, text receipt to its page shown: %6.1f ms median of 15 (goal 100)\n",
                windowLatency(text, 15));
    std::printf("window, logo receipt to its page shown: %6.1f ms median of 9 (goal 100)\n",
                windowLatency(logo, 9));
    return 0;
}
