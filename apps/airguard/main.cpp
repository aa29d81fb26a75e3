// SPDX-License-Identifier: MIT
// airguard: fan thermostat. Reads the CPU temperature every second, echoes
// it, and switches the board's fan by two thresholds with a dead band
// (50 and 45 °C, or fan_on and fan_off from /etc/hatkit.conf).
#include <cstdio>

#include "apps/common/board_program/board_program.h"
#include "apps/common/board_program/program_loop.h"

namespace {

constexpr int kReadLimit = 20;
constexpr unsigned kPassPauseMs = 1000;
constexpr FanThresholds kOwnThresholds = {50.0, 45.0};

double degrees = 0.0;  // the last reading

// Read, echo, switch: in the on and off zones (or by command) the fan is
// written every pass.
PassEnd pass(ProgramLoop& loop)
{
    if (!readTemperatureOrReport(kReadLimit, &degrees)) return PassEnd::failed;
    std::printf("temp: %.1fC\n", degrees);
    driveFan(fanCommandOf(loop, degrees, thresholdsInForce(loop.settings, kOwnThresholds)), FanWrites::every, &loop.fan);
    return PassEnd::next;
}

void metricsRows(const ProgramLoop& loop, MetricsValues* values)
{
    values->temperatureKnown = true;  // a failed reading ends the program
    values->temperature = degrees;
    values->fanThresholds = thresholdsInForce(loop.settings, kOwnThresholds);
}

void stateRows(const ProgramLoop& loop, StateValues* values)
{
    values->fanThresholds = thresholdsInForce(loop.settings, kOwnThresholds);
    values->temperatureKnown = true;
    values->temperature = degrees;
}

constexpr ProgramParts kAirguard = {
    "airguard", kPassPauseMs, kPassPauseMs, /*followsQuietHours=*/false,   /*drivesFan=*/true,
    /*drivesLights=*/false,   /*drivesScreen=*/false, pass, nullptr, nullptr, nullptr, metricsRows, stateRows, nullptr,
};

}  // namespace

int main()
{
    static ProgramLoop loop;
    if (!startProgram(&loop, kReadByAirguard)) return kExitBadSettings;
    if (!openBoardLink(LinkAttempts::once)) return kExitFailure;
    return runPasses(loop, kAirguard);
}
