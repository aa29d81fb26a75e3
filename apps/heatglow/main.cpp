// SPDX-License-Identifier: MIT
// heatglow: the board's LEDs as a thermometer. Reads the CPU temperature
// every half second and paints all LEDs with the colour of its band; in the
// quiet hours of /etc/hatkit.conf the LEDs stay off.
#include <cstdio>

#include "apps/common/board_program/board_program.h"
#include "apps/heatglow/heat_bands.h"
#include "apps/common/board_program/program_loop.h"
#include "board/board_link.h"

namespace {

constexpr int kReadLimit = 20;
constexpr unsigned kSettlePauseMs = 10;
constexpr unsigned kPassPauseMs = 500;
constexpr int kAllLeds = 3;

struct Heatglow {
    double degrees = 0.0;
    bool repaint = false;  // the heat colours are back: the band's colour goes on again
    double lastBandValue = 0.0;
    bool painted = false;  // a band's colour was written
    HeatBand band{};       // the band last painted
    LightMode shown;       // automatic: the heat colours; off: dark; or the command's
    // What the LEDs really show, "RRGGBB" unscaled, for the state while the
    // heat colours are back but the temperature sits in the gap that paints
    // nothing: the band last painted, a command's colour, or dark (switched
    // off at the start, in the quiet hours or by command); "" under an
    // effect, which has no one colour.
    char onLeds[7] = "000000";
};
Heatglow h;

void noteOnLeds(int red, int green, int blue)
{
    std::snprintf(h.onLeds, sizeof h.onLeds, "%02x%02x%02x", red & 0xFF, green & 0xFF, blue & 0xFF);
}

// The band's colour at the brightness in force.
void paint(const HeatBand& band)
{
    LightMode colour;
    colour.red = static_cast<uint8_t>(band.red);
    colour.green = static_cast<uint8_t>(band.green);
    colour.blue = static_cast<uint8_t>(band.blue);
    const LightMode shown = scaledColour(colour, h.shown.brightness);
    setRGB(kAllLeds, shown.red, shown.green, shown.blue);
    noteOnLeds(colour.red, colour.green, colour.blue);
}

// Writes what h.shown asks for; the heat colours wait for the pass, but
// after lost writes (`again`) the band last painted goes back at once.
void showLights(const ProgramLoop& loop, bool again)
{
    if (h.shown.kind != LightKind::automatic) {
        showCommandedLight(h.shown, loop.settings);
        const LightMode& c = h.shown;
        if (c.kind == LightKind::effect) {
            h.onLeds[0] = '\0';
        } else if (c.kind == LightKind::off) {
            noteOnLeds(0, 0, 0);
        } else {
            noteOnLeds(c.red, c.green, c.blue);
        }
    } else if (!again) {
        h.repaint = true;
    } else if (h.painted) {
        paint(h.band);
    }
}

PassEnd pass(ProgramLoop&)
{
    if (!readTemperatureOrReport(kReadLimit, &h.degrees)) return PassEnd::failed;
    std::printf("temp: %.1fC\n", h.degrees);
    HeatBand band{};
    if (h.shown.kind == LightKind::automatic && (h.repaint || bandMayChange(h.degrees, h.lastBandValue)) &&
        heatBandFor(h.degrees, &band)) {
        h.lastBandValue = band.value;
        h.band = band;
        h.painted = true;
        paint(band);
        h.repaint = false;
    }
    return PassEnd::next;
}

void modesChanged(ProgramLoop& loop)
{
    const LightMode wanted = lightsWanted(loop);
    if (wanted == h.shown) return;
    h.shown = wanted;
    showLights(loop, false);
}

void restoreLights(const ProgramLoop& loop) { showLights(loop, true); }

void metricsRows(const ProgramLoop&, MetricsValues* values)
{
    values->temperatureKnown = true;  // a failed reading ends the program
    values->temperature = h.degrees;
    values->heatBand = h.painted ? h.band.index : -1;
}

void stateRows(const ProgramLoop&, StateValues* values)
{
    values->temperatureKnown = true;
    values->temperature = h.degrees;
    describeLightMode(h.shown, values->light, sizeof values->light);
    values->lightBrightness = h.shown.kind == LightKind::effect ? 255 : h.shown.brightness;
    if (h.shown.kind == LightKind::automatic) std::snprintf(values->lightColour, sizeof values->lightColour, "%s", h.onLeds);
}

constexpr ProgramParts kHeatglow = {
    "heatglow",           kPassPauseMs, kPassPauseMs, /*followsQuietHours=*/true, /*drivesFan=*/false,
    /*drivesLights=*/true, /*drivesScreen=*/false, pass, nullptr, modesChanged, restoreLights, metricsRows, stateRows, nullptr,
};

}  // namespace

int main()
{
    static ProgramLoop loop;
    if (!startProgram(&loop, kReadByHeatglow)) return kExitBadSettings;
    if (!openBoardLink(LinkAttempts::once)) return kExitFailure;
    closeRGB();
    if (!pauseUnlessStopped(kSettlePauseMs)) return kExitStopped;
    return runPasses(loop, kHeatglow);
}
