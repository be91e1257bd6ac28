// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include <initializer_list>

#include "core/termination.h"

namespace mpt {

namespace {

int g_pipe[2] = {-1, -1};

// Runs between any two instructions of the interrupted thread: a failed write (the pipe full of
// earlier signals) must not leave its errno for the code that was interrupted to read.
void onSignal(int number) {
    const int savedErrno = errno;
    const char byte = static_cast<char>(number);
    (void)!::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

}  // namespace

int terminationSignals() {
    if (g_pipe[0] >= 0) {
        return g_pipe[0];
    }
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return -1;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(number, &action, nullptr);
    }
    return g_pipe[0];
}

int takeTerminationSignal() {
    char byte = 0;
    int number = 0;
    while (g_pipe[0] >= 0 && ::read(g_pipe[0], &byte, 1) == 1) {
        if (number == 0) {
            number = static_cast<unsigned char>(byte);  // the first, should several have come
        }
    }
    return number;
}

}  // namespace mpt
