// SPDX-License-Identifier: MIT
#include "termination_requests.h"

#include <QApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace dorvanel {
namespace {

// A signal handler may do almost nothing; it only wakes the event loop through this pipe.
int requestPipe[2] = {-1, -1};
// Both only ever touched on the window's thread.
bool terminating = false;
bool failed = false;

void OnTerminationSignal(int) {
    const int savedErrno = errno;
    const char request = 1;
    if (::write(requestPipe[1], &request, 1) < 0) {
        // A full pipe already holds a request.
    }
    errno = savedErrno;
}

void Terminate() {
    if (terminating)
        return;
    terminating = true;
    // Dialogs first, innermost first, then the windows; whoever opened a dialog learns from
    // TerminationRequested that it was never answered.
    QApplication::closeAllWindows();
}

} // namespace

void CloseWindowsOnTermination() {
    if (requestPipe[0] != -1 || ::pipe2(requestPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(requestPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        char requests[64];
        while (::read(requestPipe[0], requests, sizeof requests) > 0) {
        }
        Terminate();
    });

    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

bool TerminationRequested() {
    return terminating;
}

void ReportTerminationFailure(const QString& message) {
    failed = true;
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                 qPrintable(message));
    std::fflush(stderr);
}

int TerminationExitStatus() {
    return failed ? 1 : 0;
}

} // namespace dorvanel
