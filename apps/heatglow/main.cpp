// SPDX-License-Identifier: MIT
// heatglow: the board's LEDs as a thermometer. Reads the CPU temperature
// every half second and paints all LEDs with the colour of its band; in the
// quiet hours of /etc/hatkit.conf the LEDs stay off.
#include <cstdio>

#include "apps/board_program.h"
#include "apps/heatglow/heat_bands.h"
#include "apps/metrics.h"
#include "apps/program_settings.h"
#include "board/board_link.h"
#include "platform/wiring.h"

namespace {

constexpr const char* kProgram = "heatglow";
constexpr int kReadLimit = 20;
constexpr unsigned kSettlePauseMs = 10;
constexpr unsigned kPassPauseMs = 500;
constexpr int kAllLeds = 3;

// What heatglow knows, read by its loop and its metrics.
struct Heatglow {
    HatkitSettings settings;
    ReloadCounts reloads;
    uint64_t passes = 0;
    double degrees = 0.0;
    bool quiet = false;
    bool repaint = false;  // the quiet hours ended: the band's colour goes back on
    double lastBandValue = 0.0;
    int band = -1;  // the band last painted
};

void writeMetricsOf(const Heatglow& h)
{
    MetricsValues values = programMetrics(kProgram, h.passes, h.reloads);
    values.temperatureKnown = true;  // a failed reading ends the program
    values.temperature = h.degrees;
    values.followsQuietHours = true;
    values.quiet = h.quiet;
    values.heatBand = h.band;
    writeMetrics(values);
}

}  // namespace

int main()
{
    useLineBufferedOutput();
    static Heatglow h;
    // First: a reload asked for while starting must not end the program.
    reloadOnHangup();
    if (!loadSettingsOrReport(&h.settings)) return kExitBadSettings;
    if (!openBoardLink()) return kExitFailure;
    followMetricsSetting(kProgram, h.settings);
    closeRGB();
    delay(kSettlePauseMs);
    for (;;) {
        takeReload(kProgram, &h.settings, &h.reloads);
        if (!readTemperatureOrReport(kReadLimit, &h.degrees)) {
            removeMetrics();
            return kExitFailure;
        }
        std::printf("temp: %.1fC\n", h.degrees);
        switch (followQuietHours(h.settings, &h.quiet)) {
        case QuietChange::began: closeRGB(); break;
        case QuietChange::ended: h.repaint = true; break;
        case QuietChange::none: break;
        }
        HeatBand band{};
        if (!h.quiet && (h.repaint || bandMayChange(h.degrees, h.lastBandValue)) && heatBandFor(h.degrees, &band)) {
            h.lastBandValue = band.value;
            h.band = band.index;
            setRGB(kAllLeds, band.red, band.green, band.blue);
            h.repaint = false;
        }
        ++h.passes;
        if (metricsDue(kPassPauseMs)) writeMetricsOf(h);
        delay(kPassPauseMs);
    }
}
