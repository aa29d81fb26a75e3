// heatglow: the board's LEDs as a thermometer. Reads the CPU temperature
// every half second and paints all LEDs with the colour of its band; in the
// quiet hours of /etc/hatkit.conf the LEDs stay off.
#include <cstdio>

#include "apps/board_program.h"
#include "apps/program_settings.h"
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
    HatkitSettings settings;
    if (!loadSettingsOrReport(&settings)) return kExitBadSettings;
    reloadOnHangup();
    if (!openBoardLink()) return kExitFailure;
    closeRGB();
    delay(kSettlePauseMs);
    double lastBandValue = 0.0;
    bool quiet = false;
    bool repaint = false;  // the quiet hours ended: the band's colour goes back on
    for (;;) {
        reloadSettingsIfAsked(&settings);
        double degrees = 0;
        if (!readTemperatureOrReport(kReadLimit, &degrees)) return kExitFailure;
        std::printf("temp: %.1fC\n", degrees);
        const bool nowQuiet = quietNow(settings);
        if (nowQuiet && !quiet) closeRGB();
        if (!nowQuiet && quiet) repaint = true;
        quiet = nowQuiet;
        HeatBand band{};
        if (!quiet && (repaint || bandMayChange(degrees, lastBandValue)) && heatBandFor(degrees, &band)) {
            lastBandValue = band.value;
            setRGB(kAllLeds, band.red, band.green, band.blue);
            repaint = false;
        }
        delay(kPassPauseMs);
    }
}
