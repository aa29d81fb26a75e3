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

// After a SIGHUP: the file is read again. True when *settings took the new
// values; a bad file prints why and leaves *settings as they were.
bool reloadSettingsIfAsked(HatkitSettings* settings);
