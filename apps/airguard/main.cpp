// airguard: fan thermostat. Reads the CPU temperature every second, echoes
// it, and switches the board's fan by two thresholds with a dead band.
#include <cstdio>

#include "apps/airguard/fan_thermostat.h"
#include "apps/board_program.h"
#include "board/board_link.h"
#include "platform/wiring.h"

namespace {
constexpr int kReadLimit = 20;
constexpr unsigned kPassPauseMs = 1000;
}  // namespace

int main()
{
    useLineBufferedOutput();
    if (!openBoardLink()) return kExitFailure;
    for (;;) {
        double degrees = 0;
        if (!readTemperatureOrReport(kReadLimit, &degrees)) return kExitFailure;
        std::printf("temp: %.1fC\n", degrees);
        switch (fanCommandFor(degrees)) {
        case FanCommand::on: setFan(true); break;
        case FanCommand::off: setFan(false); break;
        case FanCommand::none: break;
        }
        delay(kPassPauseMs);
    }
}
