// The fan as a thermostat drives it, for airguard and sysglance: the
// thresholds in force and the command a temperature calls for.
#pragma once

#include "apps/hatkit_conf.h"

enum class FanCommand { none, on, off };

// fan_on and fan_off when the settings give them, else the program's own.
FanThresholds thresholdsInForce(const HatkitSettings& settings, FanThresholds own);

// On at or above onAt, off at or below offAt, nothing in between (the fan
// keeps its state).
FanCommand fanCommandFor(double degrees, FanThresholds thresholds);

// setFan for on and off; nothing for none.
void applyFanCommand(FanCommand command);
