// A signal handler may do almost nothing; it writes the signal's number into a pipe, and a
// socket notifier on the event loop's thread reads it there and quits.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>

#include "app/termination.h"

namespace mpt {

namespace {

int g_pipe[2] = {-1, -1};

void onSignal(int number) {
    const char byte = static_cast<char>(number);
    (void)!::write(g_pipe[1], &byte, 1);
}

}  // namespace

void quitOnTerminationSignals() {
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    auto* notifier =
        new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char byte = 0;
        while (::read(g_pipe[0], &byte, 1) > 0) {
        }
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(number, &action, nullptr);
    }
}

}  // namespace mpt
