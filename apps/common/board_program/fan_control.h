// SPDX-License-Identifier: MIT
// The fan as a thermostat drives it, for airguard and sysglance: the
// thresholds in force, the command a temperature calls for, and the record
// of what was written.
#pragma once

#include <cstdint>

#include "apps/common/files/hatkit_conf.h"

enum class FanCommand { none, on, off };

// fan_on and fan_off when the settings give them, else the program's own.
FanThresholds thresholdsInForce(const HatkitSettings& settings, FanThresholds own);

// On at or above onAt, off at or below offAt, nothing in between (the fan
// keeps its state).
FanCommand fanCommandFor(double degrees, FanThresholds thresholds);

enum class FanState { nothingWritten, on, off };

// The fan as last written; switches counts the writes that changed it.
struct FanRecord {
    FanState state = FanState::nothingWritten;
    uint64_t switches = 0;
};

// How often a command reaches the bus: airguard writes every on and off
// (the board may have been changed behind its back); sysglance only a
// change from what the record holds.
enum class FanWrites { every, changes };

// setFan for on and off as `writes` asks, noted in *record; nothing for none.
void driveFan(FanCommand command, FanWrites writes, FanRecord* record);

// The record's state written again (a board that lost writes); nothing
// before the first write.
void writeFanAgain(const FanRecord& record);

// For the metrics: 1 on, 0 off, -1 before the first write.
int fanOnValue(const FanRecord& record);
