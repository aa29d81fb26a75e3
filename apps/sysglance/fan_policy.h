// sysglance's fan: thresholds by board model, and a memory of the last
// state written so that the fan is written only when it must change.
#pragma once

constexpr double kFanNothingWritten = 2.0;

struct FanThresholds {
    double onAt;   // on at or above
    double offAt;  // off at or below
};

FanThresholds fanThresholdsFor(int boardModel);

enum class FanWrite { none, on, off };

// Decides this pass's fan write and updates the memory (1.0 on, 0.0 off,
// 2.0 nothing written yet).
FanWrite decideFan(FanThresholds thresholds, double temperature, double* fanMemory);
// The same with the board model's thresholds.
FanWrite decideFan(int boardModel, double temperature, double* fanMemory);
