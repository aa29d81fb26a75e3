// SPDX-License-Identifier: MIT
// The fan as a thermostat drives it, for airguard and sysglance: the
// thresholds in force and the command a temperature calls for.
#pragma once

#include <cstdint>

#include "apps/hatkit_conf.h"

enum class FanCommand { none, on, off };

// fan_on and fan_off when the settings give them, else the program's own.
FanThresholds thresholdsInForce(const HatkitSettings& settings, FanThresholds own);

// On at or above onAt, off at or below offAt, nothing in between (the fan
// keeps its state).
FanCommand fanCommandFor(double degrees, FanThresholds thresholds);

// The fan as last written: -1 before the first write, then 1 on or 0 off;
// switches counts the writes that changed it.
struct FanRecord {
    int state = -1;
    uint64_t switches = 0;
};

// setFan for on and off, noted in *record; nothing for none.
void applyFanCommand(FanCommand command, FanRecord* record);
