// SPDX-License-Identifier: MIT
// A stop asked for by SIGTERM (systemctl stop) or SIGINT (Ctrl-C): the
// handler only notes it; the program ends its loop at the next check, and a
// pause under way ends early so that the check comes at once.
#pragma once

#include <cstdint>

// From now on SIGTERM and SIGINT ask for a stop instead of killing the
// process; one that whoever started us ignores stays ignored.
void catchStopSignals();

// Whether a stop was asked for. Async-signal-safe.
bool stopRequested();

// Sleeps for `ns` nanoseconds, on through any other signal (SIGHUP); a stop
// ends the sleep at once. (A stop that lands between the look at the flag
// and the sleep itself waits for the end of that sleep.)
void sleepUnlessStopped(uint64_t ns);
