// Mini Printer Test: opens the test console's window, or runs one routine from the command line.
#include <QApplication>
#include <fstream>
#include <iostream>

#include "app/main_window.h"
#include "app/runner.h"

int main(int argc, char** argv) {
    const mpt::CommandLine cl = mpt::parseCommandLine(argc, argv);
    if (cl.mode != mpt::CommandLine::Mode::Window) {
        return mpt::runWithoutWindow(cl, std::cout, std::cerr);
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
    mpt::Trace trace(cl.traceFile.empty() ? nullptr : &traceFile);
    const auto devices = cl.dryRun ? mpt::dryRunDevices() : mpt::systemDevices();
    mpt::MainWindow window(*devices, trace);
    window.show();
    return QApplication::exec();
}
