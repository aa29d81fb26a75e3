// The settings as a running program holds them: read before the program
// touches the bus, and read again when SIGHUP asks (systemctl reload).
#pragma once

#include "apps/hatkit_conf.h"

constexpr int kExitBadSettings = 2;

// Reads /etc/hatkit.conf; a bad file prints why on standard error and
// returns false (the program then exits with status 2).
bool loadSettingsOrReport(HatkitSettings* settings);

// From now on SIGHUP asks for the file to be read again.
void reloadOnHangup();

// Whether a SIGHUP waits to be acted on (a cheap test, once a pass).
bool reloadPending();

// After a SIGHUP: the file is read again. True when *settings took the new
// values; a bad file prints why and leaves *settings as they were.
bool reloadSettingsIfAsked(HatkitSettings* settings);

// Whether the local time lies in the quiet hours; the clock is read only
// when quiet hours are set.
bool quietNow(const HatkitSettings& settings);
