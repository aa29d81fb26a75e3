// SPDX-License-Identifier: MIT
#include "apps/sysglance/fan_policy.h"

FanThresholds fanThresholdsFor(int boardModel)
{
    if (boardModel == 3) return {46.0, 40.0};
    return {55.0, 48.0};  // Pi 4, and any board not recognised
}
