// SPDX-License-Identifier: MIT
// The metrics file: what a program knows of the board, for Prometheus'
// node_exporter (its textfile collector reads PATH/*.prom). With
// metrics_dir = PATH in /etc/hatkit.conf, sysglance, airguard and heatglow
// each keep PATH/hatkit-PROGRAM.prom; without it nothing is written.
#pragma once

#include <cstddef>
#include <cstdint>

#include "apps/common/files/hatkit_conf.h"
#include "platform/bus_transfer.h"

// The figures, taken from the program's own state when a write is due.
// A part a program does not have stays out of its file.
struct MetricsValues {
    const char* program = "";
    const char* model = "";  // sysglance: the board model text it read
    uint64_t passes = 0;
    bool temperatureKnown = false;  // a reading has succeeded
    double temperature = 0.0;       // the last good one
    uint64_t temperatureFailures = 0;
    bool drivesFan = false;
    int fanOn = -1;  // the state last written, 1 or 0; -1 before the first write
    FanThresholds fanThresholds = {0.0, 0.0};
    uint64_t fanSwitches = 0;
    const BusTally* boardWrites = nullptr;
    const BusTally* panelWrites = nullptr;
    bool followsQuietHours = false;
    bool quiet = false;
    int lightEffect = -1;  // sysglance: the effect last written
    double panelPeakPixelHours = -1.0;  // sysglance: the most-lit pixel's hours at full contrast; -1 elsewhere
    int heatBand = -1;  // heatglow: the band last painted; -1 before the first, and elsewhere
    uint64_t reloadsApplied = 0;
    uint64_t reloadsRejected = 0;
};

// Prometheus' text format; the length, or -1 when it does not fit.
int renderMetrics(const MetricsValues& values, char* text, std::size_t size);

// At start and after every reload: the folder of the settings in force. A
// new folder, or none, removes the file from the one before.
void followMetricsSetting(const char* program, const HatkitSettings& settings);

// Once a pass, with the pass's pauses: whether a write is due (after the
// first pass, then once every 10 seconds of passes, and after the folder
// changed).
bool metricsDue(unsigned passMs);

// Replaces the file. A folder that is missing or cannot be written gives
// one line on standard error, at most once a minute; nothing else changes.
void writeMetrics(const MetricsValues& values);

// Removes the file: the program stops for good.
void removeMetrics();
