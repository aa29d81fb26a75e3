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

// The signals a wait must let in: the stops and SIGHUP.
sigset_t waitSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&signals, signal);
    return signals;
}

uint64_t monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * kNsPerSecond + static_cast<uint64_t>(now.tv_nsec);
}

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
    const sigset_t signals = waitSignals();
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
    // The stop signals are held from the look at the flag until ppoll lets
    // them in, atomically: one that lands in between ends the sleep too.
    const sigset_t signals = waitSignals();
    sigset_t before;
    sigprocmask(SIG_BLOCK, &signals, &before);
    sigset_t whileAsleep = before;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigdelset(&whileAsleep, signal);
    const uint64_t end = monotonicNs() + ns;
    while (stopAsked == 0) {
        const uint64_t at = monotonicNs();
        if (at >= end) break;
        const timespec left{static_cast<time_t>((end - at) / kNsPerSecond), static_cast<long>((end - at) % kNsPerSecond)};
        // Another signal (a reload's SIGHUP) ends ppoll early: sleep on.
        const int woken = ppoll(nullptr, 0, &left, &whileAsleep);
        if (woken == 0 || (woken < 0 && errno != EINTR)) break;
    }
    sigprocmask(SIG_SETMASK, &before, nullptr);
}
