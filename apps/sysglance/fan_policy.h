// SPDX-License-Identifier: MIT
// sysglance's fan thresholds, by board model.
#pragma once

#include "apps/fan_control.h"

FanThresholds fanThresholdsFor(int boardModel);
