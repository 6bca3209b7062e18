// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/termination_signals.h"

#include "base/log.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace ride {
namespace {

// The handler may only write: the event loop reads the other end.
int signalWriteEnd = -1;

void onTerminationSignal(int number)
{
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(signalWriteEnd, &byte, 1);
}

} // namespace

void quitEventLoopOnTerminationSignals()
{
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0) {
        logWarning("app", "cannot watch for SIGTERM; on it the console ends without giving back borrowed keycodes");
        return;
    }
    signalWriteEnd = ends[0];
    auto* notifier = new QSocketNotifier(ends[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [readEnd = ends[1]] {
        unsigned char number = 0;
        if (::read(readEnd, &number, 1) == 1) {
            logInfo("app", std::string(number == SIGINT ? "SIGINT" : "SIGTERM") + " received: ending");
            QCoreApplication::exit(0);
        }
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

} // namespace ride
