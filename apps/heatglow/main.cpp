// SPDX-License-Identifier: MIT
// heatglow: the board's LEDs as a thermometer. Reads the CPU temperature
// every half second and paints all LEDs with the colour of its band; in the
// quiet hours of /etc/hatkit.conf the LEDs stay off.
#include <cstdio>

#include "apps/board_program.h"
#include "apps/heatglow/heat_bands.h"
#include "apps/runtime/program_loop.h"
#include "board/board_link.h"

namespace {

constexpr int kReadLimit = 20;
constexpr unsigned kSettlePauseMs = 10;
constexpr unsigned kPassPauseMs = 500;
constexpr int kAllLeds = 3;

struct Heatglow {
    double degrees = 0.0;
    bool repaint = false;  // the quiet hours ended: the band's colour goes back on
    double lastBandValue = 0.0;
    bool painted = false;  // a band's colour was written
    HeatBand band{};       // the band last painted
};
Heatglow h;

void paint(const HeatBand& band) { setRGB(kAllLeds, band.red, band.green, band.blue); }

PassEnd pass(ProgramLoop& loop)
{
    if (!readTemperatureOrReport(kReadLimit, &h.degrees)) return PassEnd::failed;
    std::printf("temp: %.1fC\n", h.degrees);
    HeatBand band{};
    if (!loop.quiet && (h.repaint || bandMayChange(h.degrees, h.lastBandValue)) && heatBandFor(h.degrees, &band)) {
        h.lastBandValue = band.value;
        h.band = band;
        h.painted = true;
        paint(band);
        h.repaint = false;
    }
    return PassEnd::next;
}

void quietChanged(ProgramLoop& loop)
{
    if (loop.quiet) {
        closeRGB();
    } else {
        h.repaint = true;
    }
}

void restoreLights(const ProgramLoop& loop)
{
    if (loop.quiet) {
        closeRGB();
    } else if (h.painted) {
        paint(h.band);
    }
}

void metricsRows(const ProgramLoop&, MetricsValues* values)
{
    values->temperatureKnown = true;  // a failed reading ends the program
    values->temperature = h.degrees;
    values->heatBand = h.painted ? h.band.index : -1;
}

constexpr ProgramParts kHeatglow = {
    "heatglow", kPassPauseMs, kPassPauseMs,  /*followsQuietHours=*/true, /*drivesFan=*/false,
    pass,       nullptr,      quietChanged,  restoreLights,              metricsRows,
};

}  // namespace

int main()
{
    static ProgramLoop loop;
    if (!startProgram(&loop)) return kExitBadSettings;
    if (!openBoardLink(LinkAttempts::once)) return kExitFailure;
    closeRGB();
    if (!pauseUnlessStopped(kSettlePauseMs)) return kExitStopped;
    return runPasses(loop, kHeatglow);
}
