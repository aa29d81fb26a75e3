// airguard's fan policy: on at 50 °C and above, off at 45 °C and below
// (or the thresholds set in hatkit.conf), nothing in between (the fan keeps
// its state).
#pragma once

enum class FanCommand { none, on, off };

constexpr double kFanOnDegrees = 50.0;
constexpr double kFanOffDegrees = 45.0;

FanCommand fanCommandFor(double degrees, double onDegrees = kFanOnDegrees, double offDegrees = kFanOffDegrees);
