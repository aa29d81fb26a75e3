// airguard: fan thermostat. Reads the CPU temperature every second, echoes
// it, and switches the board's fan by two thresholds with a dead band
// (50 and 45 °C, or fan_on and fan_off from /etc/hatkit.conf).
#include <cstdio>

#include "apps/board_program.h"
#include "apps/fan_control.h"
#include "apps/program_settings.h"
#include "board/board_link.h"
#include "platform/wiring.h"

namespace {
constexpr int kReadLimit = 20;
constexpr unsigned kPassPauseMs = 1000;
constexpr FanThresholds kOwnThresholds = {50.0, 45.0};
}  // namespace

int main()
{
    useLineBufferedOutput();
    HatkitSettings settings;
    if (!loadSettingsOrReport(&settings)) return kExitBadSettings;
    reloadOnHangup();
    if (!openBoardLink()) return kExitFailure;
    for (;;) {
        reloadSettingsIfAsked(&settings);
        double degrees = 0;
        if (!readTemperatureOrReport(kReadLimit, &degrees)) return kExitFailure;
        std::printf("temp: %.1fC\n", degrees);
        applyFanCommand(fanCommandFor(degrees, thresholdsInForce(settings, kOwnThresholds)));
        delay(kPassPauseMs);
    }
}
