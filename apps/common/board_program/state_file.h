// SPDX-License-Identifier: MIT
// The state file: what a board program shows and drives, for the bridge
// to Home Assistant (hatkit-mqtt), which reads it with hatkit.conf's
// parser. Kept as /run/hatkit/PROGRAM/state while that folder exists (the
// unit makes it, one for each program, so that two programs running side by
// side own a folder each); elsewhere nothing is written and nothing is said.
#pragma once

#include <cstddef>
#include <cstdint>

#include "apps/common/board_program/fan_control.h"
#include "apps/common/files/commands.h"

constexpr const char* kStateFolder = "/run/hatkit";  // PROGRAM/state below it
constexpr const char* kStateName = "state";

// A part a program does not have stays out of its file.
struct StateValues {
    const char* program = "";
    int pid = 0;  // so that `hatkit` can name a program run by hand
    bool temperatureKnown = false;
    double temperature = 0.0;
    bool drivesFan = false;
    FanState fan = FanState::nothingWritten;
    FanMode fanMode = FanMode::automatic;
    FanThresholds fanThresholds = {0.0, 0.0};  // in force; {0, 0} unknown
    bool drivesLights = false;
    char light[16] = "";  // "auto", "off", "RRGGBB" or "effect N"
    int lightBrightness = 255;  // what the colour shows at; 255 for an effect, which keeps its own
    char lightColour[8] = "";  // "RRGGBB": what the LEDs show under the program's own colours, unscaled; "" not known
    bool drivesScreen = false;
    const char* screen = "off";  // "on", "dim" or "off"
    bool panelAnswering = true;  // sysglance: no panel write lost since it was set up
    double panelPeakPixelHours = -1.0;  // sysglance: the most-lit pixel's hours at full contrast
    bool followsQuietHours = false;
    bool quiet = false;
    bool boardAnswering = true;  // no write to the board lost since the last state
    // sysglance's status.
    bool hasStatus = false;
    bool loadKnown = false, ramKnown = false, diskKnown = false;  // taken in the last pass
    double load = 0.0;          // the 1-minute load average
    int cpuUsedPercent = -1;    // the share of CPU time in use, 0 to 100; -1 unknown
    uint64_t ramUsedMb = 0;
    uint64_t diskUsedMb = 0;
    const char* address = "";
};

// hatkit.conf's form; the length, or -1 when it does not fit.
int renderState(const StateValues& values, char* text, std::size_t size);

// Replaces the file; a missing folder is no error.
void writeState(const char* program, const StateValues& values);

// Removes the file: the program stops.
void removeState();
