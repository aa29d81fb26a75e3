// SPDX-License-Identifier: MIT
// A stop asked for by SIGTERM (systemctl stop) or SIGINT (Ctrl-C): the
// handler only notes it; the program ends its loop at the next check, and a
// pause under way ends early so that the check comes at once.
#pragma once

#include <cstdint>

// From now on SIGTERM and SIGINT ask for a stop instead of killing the
// process; one that whoever started us ignores stays ignored.
void catchStopSignals();

// Whether the process has a controlling terminal (it was started from a
// shell, not by the service manager).
bool hasControllingTerminal();

// From now on SIGHUP asks for a stop too: a terminal that hangs up ends
// what was started from it.
void stopOnHangup();

// Whether a stop was asked for. Async-signal-safe.
bool stopRequested();

// For a program that waits on descriptors (waitUnlessStopped): from now on
// the stop signals and SIGHUP are held back but while it waits, so that one
// that comes between a look at the flags and the wait still ends the wait.
void holdSignalsForWaits();

// poll(2) for at most timeoutMs (-1: no limit), ended at once by a stop or
// a SIGHUP, also one that came since the last wait. poll's result (0 when
// a signal ended it).
int waitUnlessStopped(struct pollfd* fds, int count, int timeoutMs);

// Sleeps for `ns` nanoseconds, on through any other signal (SIGHUP); a stop
// ends the sleep at once, also one that lands just before it.
void sleepUnlessStopped(uint64_t ns);
