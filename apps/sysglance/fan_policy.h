// SPDX-License-Identifier: MIT
// sysglance's fan thresholds, by board model.
#pragma once

#include "apps/common/board_program/fan_control.h"

FanThresholds fanThresholdsFor(int boardModel);
