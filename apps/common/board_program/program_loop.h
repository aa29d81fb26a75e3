// SPDX-License-Identifier: MIT
// The loop every long-running board program runs (airguard, heatglow,
// sysglance). It owns what they all share: the settings and their reload on
// SIGHUP, the quiet hours, the owner's commands from Home Assistant, the
// metrics and state files, the board's recovery after lost writes, and the
// stop. A program gives it its pass, its metrics rows
// and its part in those events, as a table of plain functions.
#pragma once

#include <cstdint>

#include "apps/common/board_program/fan_control.h"
#include "apps/common/files/hatkit_conf.h"
#include "apps/common/board_program/metrics.h"
#include "apps/common/files/program_settings.h"
#include "apps/common/files/commands.h"
#include "apps/common/board_program/state_file.h"
#include "platform/system_files.h"

// What the loop keeps for the program; its pass may read and change it.
struct ProgramLoop {
    HatkitSettings settings;  // loaded before the bus, and again on SIGHUP
    unsigned reader = 0;      // the program, as a reader of the settings
    int pid = 0;              // for the state file
    bool quiet = false;       // within the quiet hours (programs that follow them)
    // The owner's commands from Home Assistant (the bridge's control file);
    // auto everywhere without it. Each holds over the quiet hours for the
    // part it names.
    Commands commands;
    bool controlPresent = false;
    FileStamp controlStamp;
    bool fanOverruled = false;  // fan off by command, but the CPU is too hot
    FanRecord fan;              // the programs that drive the fan
    uint64_t passes = 0;
    uint64_t reloadsApplied = 0;
    uint64_t reloadsRejected = 0;
    // Board writes were lost: it may have lost power, and gets what the
    // program last meant it to show until that is acknowledged.
    bool boardLost = false;
    uint32_t boardLostSeen = 0;  // the lost-write count already looked at
    // The state file: when it was last written, and what it said.
    unsigned msSinceState = 0;
    bool stateWritten = false;
    StateValues lastState;
    uint32_t boardLostAtState = 0;
};

enum class PassEnd { next, stopped, failed };

// A program's own parts. Hooks a program has no use for stay null.
struct ProgramParts {
    const char* name;
    unsigned passMs;       // the pauses of one pass, the last one included
    unsigned lastPauseMs;  // the pause the loop makes after each pass
    bool followsQuietHours;
    bool drivesFan;
    bool drivesLights;
    bool drivesScreen;
    // One pass up to its last pause: stopped when a pause was cut short,
    // failed to end the program with status -1.
    PassEnd (*pass)(ProgramLoop& loop);
    // A SIGHUP was acted on; `before` holds the settings it found.
    void (*reloaded)(ProgramLoop& loop, ReloadResult result, const HatkitSettings& before);
    // The quiet hours began or ended, or the commands changed: what the
    // board shows follows loop.quiet and loop.commands from now on.
    void (*modesChanged)(ProgramLoop& loop);
    // After the fan, the LEDs as the program last meant them to be.
    void (*restoreLights)(const ProgramLoop& loop);
    // The program's own rows; the loop fills the shared ones.
    void (*metricsRows)(const ProgramLoop& loop, MetricsValues* values);
    // The same for the state file.
    void (*stateRows)(const ProgramLoop& loop, StateValues* values);
    // A stop was asked for: what the board should not keep showing goes.
    void (*stopping)(ProgramLoop& loop);
};

// What the LEDs should show: the owner's command, else dark in the quiet
// hours, else the settings' light (automatic: the program's own).
LightMode lightsWanted(const ProgramLoop& loop);

// From this CPU temperature on, no command keeps the fan off.
constexpr double kFanForcedAt = 75.0;

// The fan as the thermostat and the owner's command ask. A command to keep
// it off gives way from 75 °C on, said once on standard error.
FanCommand fanCommandOf(ProgramLoop& loop, double degrees, FanThresholds thresholds);

// Before the bus: output line-buffered, SIGHUP and the stop signals caught
// (first: a signal while starting must not kill the program), the settings
// loaded (the keys `reader` reads). False after a bad file: the program exits with kExitBadSettings.
bool startProgram(ProgramLoop* loop, unsigned reader);

// One pass with what the loop adds around it, and its last pause.
PassEnd runOnePass(ProgramLoop& loop, const ProgramParts& parts);

// Passes until a stop (status 0) or a failed pass (status -1); the metrics
// file is removed either way. Nothing on the board is reset.
int runPasses(ProgramLoop& loop, const ProgramParts& parts);
