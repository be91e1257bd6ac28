// Mini Printer Test: opens the test console's window, or runs one routine from the command line.
#include <QApplication>
#include <fstream>
#include <iostream>
#include <memory>

#include "app/first_paint.h"
#include "app/main_window.h"
#include "app/preview_window.h"
#include "app/runner.h"
#include "app/termination.h"
#include "app/virtual_printer.h"
#include "printer/file_commands.h"

int main(int argc, char** argv) {
    const mpt::CommandLine cl = mpt::parseCommandLine(argc, argv);
    switch (cl.mode) {
        case mpt::CommandLine::Mode::Window: break;
        case mpt::CommandLine::Mode::Decode:
            return mpt::printer::decodeFile(cl.streamFile, std::cout, std::cerr);
        case mpt::CommandLine::Mode::Render:
            return mpt::printer::renderFile(cl.streamFile, cl.outDirectory, std::cout, std::cerr);
        default: return mpt::runWithoutWindow(cl, std::cout, std::cerr);
    }
    std::ofstream traceFile;
    if (!cl.traceFile.empty()) {
        traceFile.open(cl.traceFile, std::ios::binary | std::ios::trunc);
        if (!traceFile) {
            std::cerr << "mini-printer-test: cannot write the trace file " << cl.traceFile << '\n';
            return 2;
        }
    }
    QApplication app(argc, argv);
    // The virtual printer sets up its ports before the console can open one.
    std::unique_ptr<mpt::VirtualPrinter> printer;
    if (cl.virtualPrinter) {
        try {
            printer = std::make_unique<mpt::VirtualPrinter>();
        } catch (const std::exception& error) {
            std::cerr << "mini-printer-test: " << error.what() << '\n';
            return 1;
        }
    }
    mpt::Trace trace(cl.traceFile.empty() ? nullptr : &traceFile);
    const auto devices = cl.dryRun ? mpt::dryRunDevices() : mpt::systemDevices();
    mpt::MainWindow window(*devices, trace);
    window.show();
    mpt::reportFirstPaintIfAsked(&window);
    std::unique_ptr<mpt::PreviewWindow> preview;
    if (printer) {
        mpt::quitOnTerminationSignals();
        std::cerr << "mini-printer-test: the ports lead to the virtual printer:\n  "
                  << printer->wiring().join(QStringLiteral("\n  ")).toStdString() << '\n';
        preview = mpt::PreviewWindow::openBeside(*printer, window);
    }
    return QApplication::exec();
}
