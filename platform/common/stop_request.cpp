// SPDX-License-Identifier: MIT
#include "platform/stop_request.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <initializer_list>

namespace {

volatile std::sig_atomic_t stopAsked = 0;
sigset_t unheld;  // the mask while waiting, when signals are held
bool held = false;

void onStop(int) { stopAsked = 1; }

constexpr uint64_t kNsPerSecond = 1000000000ULL;

}  // namespace

void catchStopSignals()
{
    for (int signal : {SIGTERM, SIGINT}) {
        struct sigaction action {};
        sigaction(signal, nullptr, &action);
        if (action.sa_handler == SIG_IGN) continue;
        action.sa_handler = onStop;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        sigaction(signal, &action, nullptr);
    }
}

bool hasControllingTerminal()
{
    const int tty = open("/dev/tty", O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (tty < 0) return false;
    close(tty);
    return true;
}

void stopOnHangup()
{
    struct sigaction action {};
    action.sa_handler = onStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGHUP, &action, nullptr);
}

bool stopRequested() { return stopAsked != 0; }

void holdSignalsForWaits()
{
    sigset_t signals;
    sigemptyset(&signals);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&signals, signal);
    sigprocmask(SIG_BLOCK, &signals, &unheld);
    held = true;
}

int waitUnlessStopped(pollfd* fds, int count, int timeoutMs)
{
    timespec limit{timeoutMs / 1000, static_cast<long>(timeoutMs % 1000) * 1000000};
    const int ready =
        ppoll(fds, static_cast<nfds_t>(count), timeoutMs < 0 ? nullptr : &limit, held ? &unheld : nullptr);
    return ready < 0 && errno == EINTR ? 0 : ready;
}

void sleepUnlessStopped(uint64_t ns)
{
    timespec remaining{static_cast<time_t>(ns / kNsPerSecond), static_cast<long>(ns % kNsPerSecond)};
    while (stopAsked == 0 && nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}
