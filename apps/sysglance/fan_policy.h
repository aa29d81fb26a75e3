// SPDX-License-Identifier: MIT
// sysglance's fan: thresholds by board model, and a memory of the last
// state written so that the fan is written only when it must change.
#pragma once

#include "apps/fan_control.h"

constexpr double kFanNothingWritten = 2.0;

FanThresholds fanThresholdsFor(int boardModel);

// Decides this pass's fan write and updates the memory (1.0 on, 0.0 off,
// 2.0 nothing written yet).
FanCommand decideFan(FanThresholds thresholds, double temperature, double* fanMemory);
// The same with the board model's thresholds.
FanCommand decideFan(int boardModel, double temperature, double* fanMemory);
