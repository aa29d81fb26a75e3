// SPDX-License-Identifier: MIT
// airguard: fan thermostat. Reads the CPU temperature every second, echoes
// it, and switches the board's fan by two thresholds with a dead band
// (50 and 45 °C, or fan_on and fan_off from /etc/hatkit.conf).
#include <cstdio>

#include "apps/board_program.h"
#include "apps/fan_control.h"
#include "apps/metrics.h"
#include "apps/program_settings.h"
#include "board/board_link.h"
#include "platform/wiring.h"

namespace {

constexpr const char* kProgram = "airguard";
constexpr int kReadLimit = 20;
constexpr unsigned kPassPauseMs = 1000;
constexpr FanThresholds kOwnThresholds = {50.0, 45.0};

// What airguard knows, read by its loop and its metrics.
struct Airguard {
    HatkitSettings settings;
    ReloadCounts reloads;
    uint64_t passes = 0;
    double degrees = 0.0;
    FanRecord fan;
};

void writeMetricsOf(const Airguard& a)
{
    MetricsValues values = programMetrics(kProgram, a.passes, a.reloads);
    values.temperatureKnown = true;  // a failed reading ends the program
    values.temperature = a.degrees;
    values.drivesFan = true;
    values.fanOn = a.fan.state;
    values.fanThresholds = thresholdsInForce(a.settings, kOwnThresholds);
    values.fanSwitches = a.fan.switches;
    writeMetrics(values);
}

}  // namespace

int main()
{
    useLineBufferedOutput();
    static Airguard a;
    // First: a reload asked for while starting must not end the program.
    reloadOnHangup();
    if (!loadSettingsOrReport(&a.settings)) return kExitBadSettings;
    if (!openBoardLink()) return kExitFailure;
    followMetricsSetting(kProgram, a.settings);
    for (;;) {
        takeReload(kProgram, &a.settings, &a.reloads);
        if (!readTemperatureOrReport(kReadLimit, &a.degrees)) {
            removeMetrics();  // it drives the fan no more
            return kExitFailure;
        }
        std::printf("temp: %.1fC\n", a.degrees);
        applyFanCommand(fanCommandFor(a.degrees, thresholdsInForce(a.settings, kOwnThresholds)), &a.fan);
        ++a.passes;
        if (metricsDue(kPassPauseMs)) writeMetricsOf(a);
        delay(kPassPauseMs);
    }
}
