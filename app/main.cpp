// SPDX-License-Identifier: MIT
// Mini Printer Test: opens the test console's window, or runs one routine from the command line.
#include <QApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>

#include "app/first_paint.h"
#include "app/main_window.h"
#include "app/no_display.h"
#include "app/port_settings.h"
#include "app/start_up.h"
#include "app/translation.h"
#include "app/window_destroyed.h"
#include "core/locale_output.h"
#include "core/runner.h"
#include "core/termination.h"
#include "core/texts.h"
#include "printer/file_commands.h"
#include "printer/virtual_printer.h"
#include "printer/window/preview_window.h"

namespace {

// --list, --ports, --run, --decode, --render, --help, --version and a usage error: the process's
// exit code.
int runCommand(const mpt::CommandLine& cl, const mpt::PortMap& bindings) {
    const int code =
        cl.mode == mpt::CommandLine::Mode::Decode
            ? mpt::printer::decodeFile(cl.streamFile, std::cout, std::cerr)
        : cl.mode == mpt::CommandLine::Mode::Render
            ? mpt::printer::renderFile(cl.streamFile, cl.outDirectory, std::cout, std::cerr)
            : mpt::runWithoutWindow(cl, std::cout, std::cerr, bindings);
    // Output that did not arrive (a full disk, a closed pipe) is a failure, not a success.
    errno = 0;
    std::cout.flush();
    const int error = errno;  // before writing and translating the message can change it
    if (!std::cout) {
        std::cerr << "mini-printer-test: "
                  << (error != 0
                          ? mpt::fill(mpt::translate("main", "cannot write to standard output: %1"),
                                      {std::strerror(error)})
                          : mpt::translate("main", "cannot write to standard output"))
                  << '\n';
        return code == 0 ? 1 : code;
    }
    return code;
}

// The virtual printer of --virtual, listening where --listen says; nothing, the reason said on
// standard error, when the console cannot start with it.
std::unique_ptr<mpt::VirtualPrinter> startVirtualPrinter(const mpt::CommandLine& cl) {
    std::unique_ptr<mpt::VirtualPrinter> printer;
    try {
        printer = std::make_unique<mpt::VirtualPrinter>();
    } catch (const std::exception& error) {
        std::cerr << "mini-printer-test: " << error.what() << '\n';
        return nullptr;
    }
    // An address the user chose that cannot be had is an error; without one the printer
    // still has its ports, and the wiring printed below shows that it does not listen.
    const QString problem =
        cl.listen ? printer->listen(cl.listen->host, static_cast<quint16>(cl.listen->port))
                  : printer->listenOnLoopback();
    if (!problem.isEmpty()) {
        std::cerr << "mini-printer-test: " << problem.toStdString() << '\n';
        if (cl.listen) {
            return nullptr;
        }
    }
    // --state: the switches it starts with (the command line has checked the list).
    printer->setSwitches(
        mpt::status::parseSwitches(cl.printerState).value_or(mpt::status::Switches{}));
    return printer;
}

// Ctrl+C, SIGTERM and SIGHUP end the console as closing the window does: a run going on is
// stopped at the next write and its port closed, and what the program set up (the virtual
// printer's FIFO among it) is taken down instead of being left behind.
void stopOnTerminationSignals(QApplication& app, mpt::MainWindow& window) {
    if (const int signalPipe = mpt::terminationSignals(); signalPipe >= 0) {
        auto* notifier = new QSocketNotifier(signalPipe, QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
            if (mpt::takeTerminationSignal() != 0) {
                window.stopAndQuit();
            }
        });
    }
}

// The window, with the virtual printer beside it for --virtual; runs until it closes.
int runWindow(int& argc, char** argv, const mpt::CommandLine& cl, mpt::PortMap& bindings,
              mpt::PortSettings& portSettings, std::jthread& preparation) {
    std::ofstream traceFile;
    if (!mpt::openTraceOrSay(cl.traceFile, traceFile, std::cerr)) {
        return 2;
    }
    std::optional<mpt::NoDisplayExit> noDisplay(std::in_place);
    QApplication app(argc, argv);
    noDisplay.reset();
    mpt::installTranslation();  // now for the window's own texts as well
    // The virtual printer sets up its ports before the console can open one.
    std::unique_ptr<mpt::VirtualPrinter> printer;
    if (cl.virtualPrinter) {
        printer = startVirtualPrinter(cl);
        if (!printer) {
            return 1;
        }
    }
    mpt::Trace trace(cl.traceFile.empty() ? nullptr : &traceFile, cl.traceFile);
    if (printer) {
        // The virtual printer's ports come first; the saved bindings stay for the other ports.
        const mpt::PortMap virtualPorts = printer->portMap();
        bindings.serial = virtualPorts.serial;
        bindings.lpt1 = virtualPorts.lpt1;
    }
    const auto devices = cl.dryRun ? mpt::dryRunDevices() : mpt::systemDevices(bindings);
    mpt::finishWindowPreparation(preparation);
    mpt::MainWindow window(*devices, trace);
    window.setPortSettings(&portSettings);
    window.setDryRun(cl.dryRun);
    if (!mpt::MainWindow::koreanFaceInstalled()) {
        const QString notice = QCoreApplication::translate(
            "main",
            "No font with Hangul is installed: the Korean texts show as empty boxes. Install the "
            "package fonts-nanum.");
        std::cerr << "mini-printer-test: " << notice.toStdString() << '\n';
        window.showStartNotice(notice);
    }
    window.show();
    mpt::reportFirstPaintIfAsked(&window);
    stopOnTerminationSignals(app, window);
    // A window destroyed from outside ends the program the same way, rather than leaving it
    // running with no window and its port open.
    const mpt::WindowDestroyedWatch watch(window, [&window] { window.stopAndQuit(); });
    std::unique_ptr<mpt::PreviewWindow> preview;
    if (printer) {
        std::cerr << "mini-printer-test: "
                  << mpt::translate("main", "the ports lead to the virtual printer:") << "\n  "
                  << printer->wiring().join(QStringLiteral("\n  ")).toStdString() << '\n';
        preview = mpt::PreviewWindow::openBeside(*printer, window);
    }
    return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    // Messages on standard error in the terminal's character set, should it not be UTF-8.
    mpt::writeStandardErrorIn(mpt::localeCodeset());
    // Before the command line is read: its errors and --help are in the user's language too.
    mpt::installTranslation();
    const mpt::CommandLine cl = mpt::parseCommandLine(argc, argv);
    // For the window, the platform's libraries and the font configuration are loaded from here
    // on, beside the rest of the start, and waited for before the window is made.
    std::jthread preparation;
    if (cl.mode == mpt::CommandLine::Mode::Window) {
        preparation = mpt::startWindowPreparation(cl.toolkitArguments);
    }
    // The ports the user bound in the Ports dialog, for the window and --run alike.
    // --version, --decode, --render and a usage error do not need them and do not read them.
    mpt::PortMap bindings;
    mpt::PortSettings portSettings;
    const bool needsBindings =
        cl.mode != mpt::CommandLine::Mode::Version && cl.mode != mpt::CommandLine::Mode::Decode &&
        cl.mode != mpt::CommandLine::Mode::Render && cl.mode != mpt::CommandLine::Mode::Usage;
    if (needsBindings) {
        portSettings.load(bindings);
    }
    if (!portSettings.problem().isEmpty()) {
        std::cerr << "mini-printer-test: " << portSettings.problem().toStdString() << '\n';
    }
    if (cl.mode != mpt::CommandLine::Mode::Window) {
        return runCommand(cl, bindings);
    }
    return runWindow(argc, argv, cl, bindings, portSettings, preparation);
}
