// SPDX-License-Identifier: MIT
// The settings as a running program holds them: read before the program
// touches the bus, and read again when SIGHUP asks (systemctl reload).
#pragma once

#include "apps/common/files/hatkit_conf.h"

constexpr int kExitBadSettings = 2;

// Reads /etc/hatkit.conf, the keys `reader` reads (settings_table.h); a bad file prints why on standard error and
// returns false (the program then exits with status 2).
bool loadSettingsOrReport(HatkitSettings* settings, unsigned reader);

// From now on SIGHUP asks for the file to be read again; from a terminal it
// is the terminal hanging up, and asks for a stop.
void reloadOnHangup();

enum class ReloadResult { none, applied, rejected };

// After a SIGHUP: the file is read again. applied when *settings took the
// new values; rejected when the file was bad: it prints why and leaves
// *settings as they were.
ReloadResult reloadSettingsIfAsked(HatkitSettings* settings, unsigned reader);

// Whether the local time lies in the quiet hours; the clock is read only
// when quiet hours are set.
bool quietNow(const HatkitSettings& settings);

enum class QuietChange { none, began, ended };

// The quiet hours from pass to pass: *quiet holds whether they were in
// force at the last call and is brought up to date; the result says whether
// they began or ended since.
QuietChange followQuietHours(const HatkitSettings& settings, bool* quiet);
