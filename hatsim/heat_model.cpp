// SPDX-License-Identifier: MIT
#include "hatsim/heat_model.h"

#include <cmath>

namespace hatsim {

double heatStep(double degrees, double seconds, bool fanOn)
{
    if (seconds <= 0) return degrees;
    const double target = fanOn ? kCoolDegrees : kHotDegrees;
    const double tau = fanOn ? kCoolingSeconds : kWarmingSeconds;
    return target + (degrees - target) * std::exp(-seconds / tau);
}

}  // namespace hatsim
