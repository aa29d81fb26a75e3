// SPDX-License-Identifier: MIT
// A small thermal model of a Pi under load: the CPU warms toward a hot
// level while the fan is off and cools toward a cool level while it is on.
#pragma once

namespace hatsim {

constexpr double kDemoStartDegrees = 42.0;
constexpr double kHotDegrees = 75.0;
constexpr double kCoolDegrees = 30.0;
constexpr double kWarmingSeconds = 30.0;  // time constant with the fan off
constexpr double kCoolingSeconds = 20.0;  // time constant with the fan on

// The temperature after `seconds` more of exponential approach.
double heatStep(double degrees, double seconds, bool fanOn);

}  // namespace hatsim
