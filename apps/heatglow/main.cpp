// heatglow: the board's LEDs as a thermometer. Reads the CPU temperature
// every half second and paints all LEDs with the colour of its band.
#include <cstdio>

#include "apps/board_program.h"
#include "apps/heatglow/heat_bands.h"
#include "board/board_link.h"
#include "platform/wiring.h"

namespace {
constexpr int kReadLimit = 20;
constexpr unsigned kSettlePauseMs = 10;
constexpr unsigned kPassPauseMs = 500;
constexpr int kAllLeds = 3;
}  // namespace

int main()
{
    useLineBufferedOutput();
    if (!openBoardLink()) return kExitFailure;
    closeRGB();
    delay(kSettlePauseMs);
    double lastBandValue = 0.0;
    for (;;) {
        double degrees = 0;
        if (!readTemperatureOrReport(kReadLimit, &degrees)) return kExitFailure;
        std::printf("temp: %.1fC\n", degrees);
        HeatBand band{};
        if (bandMayChange(degrees, lastBandValue) && heatBandFor(degrees, &band)) {
            lastBandValue = band.value;
            setRGB(kAllLeds, band.red, band.green, band.blue);
        }
        delay(kPassPauseMs);
    }
}
