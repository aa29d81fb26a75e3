// SPDX-License-Identifier: MIT
#include "apps/sysglance/status_loop.h"

#include <cstdio>
#include <cstring>

#include "apps/common/board_program/board_program.h"
#include "apps/sysglance/effect_rotation.h"
#include "apps/sysglance/fan_policy.h"
#include "apps/sysglance/panel_care.h"
#include "apps/sysglance/status_sampler.h"
#include "apps/sysglance/status_screen.h"
#include "board/board_link.h"
#include "oled/ssd1306_i2c.h"
#include "oled/ssd1306_state.h"

namespace {

constexpr int kPanelAddress = 0x3C;
constexpr int kChargePump = 2;
constexpr unsigned kAfterPushPauseMs = 10;
constexpr unsigned kHalfPassPauseMs = 500;
constexpr unsigned kPassMs = kAfterPushPauseMs + 2 * kHalfPassPauseMs;
constexpr int kDisplayOff = 0xAE;
constexpr int kDisplayOn = 0xAF;
// display_updates = changes: a disturbed panel heals within this many passes.
constexpr int kWholeFrameEveryPasses = 60;

// What sysglance keeps beside the loop's own record.
struct Sysglance {
    StatusTexts texts;
    int effectCounter = 0;           // passes since the rotation last restarted
    int currentEffect = kStartEffect;  // the effect the rotation has reached
    bool restoreEffect = false;      // the rotation is back: the effect goes on again
    // What the panel and the LEDs show, by the quiet hours and the owner's
    // commands: a dark panel; the LEDs' rotation (automatic), off, or the
    // command's colour or effect.
    bool panelDark = false;
    LightMode leds;
    // display_updates = changes: a whole frame is due (start, reload, end of
    // the quiet hours), and the passes since the last one.
    bool wholeFrameDue = true;
    int passesSinceWholeFrame = 0;
    // Panel writes were lost: it is set up again once it answers.
    bool panelLost = false;
    uint32_t panelLostSeen = 0;  // the lost-write count already looked at
    uint64_t temperatureFailures = 0;
    int effectWritten = -1;  // the light effect last written; -1 none
    // The panel's care against burn-in: the orbit and the time since
    // anything worth a look; a panel asleep (screen_timeout) or dimmed
    // (display_dim_after) for that; and what the last look saw.
    PanelCare care;
    bool asleep = false;
    bool dimmed = false;
    bool lookPending = true;  // a reload, a command or the quiet hours' end came
    bool wasQuiet = false;
    Commands commandsSeen;
    bool boardLostBefore = false;
    bool temperatureBeforeValid = false;
    double temperatureBefore = 0.0;
    char addressBefore[kTextSize] = "";
    uint64_t fanSwitchesSeen = 0;
    PanelWear wear;  // what the panel showed, per pixel
};
Sysglance g;

FanThresholds thresholdsOf(const ProgramLoop& loop)
{
    return thresholdsInForce(loop.settings, fanThresholdsFor(g.texts.boardModel));
}

bool sameInterfaces(const HatkitSettings& a, const HatkitSettings& b)
{
    if (a.anyInterface != b.anyInterface || a.interfaceCount != b.interfaceCount) return false;
    for (int i = 0; i < a.interfaceCount; ++i) {
        if (std::strcmp(a.interfaces[i], b.interfaces[i]) != 0) return false;
    }
    return true;
}

// The rotation's first effect: the owner's, else 3.
int firstEffect(const HatkitSettings& settings)
{
    return settings.lightEffectCount > 0 ? settings.lightEffects[0] : kStartEffect;
}

bool sameEffects(const HatkitSettings& a, const HatkitSettings& b)
{
    if (a.lightEffectCount != b.lightEffectCount) return false;
    for (int i = 0; i < a.lightEffectCount; ++i) {
        if (a.lightEffects[i] != b.lightEffects[i]) return false;
    }
    return true;
}

// SIGHUP: the settings read again take effect from this pass on. An owner
// who reloads may be mending the screen: it is sent whole either way.
void reloaded(ProgramLoop& loop, ReloadResult result, const HatkitSettings& before)
{
    g.wholeFrameDue = true;
    g.lookPending = true;
    if (result != ReloadResult::applied) return;
    const HatkitSettings& now = loop.settings;
    if (now.displayFlip != before.displayFlip || now.displayContrast != before.displayContrast) {
        ssd1306_setOrientationAndContrast(now.displayFlip, now.displayContrast);
    }
    if (!sameInterfaces(now, before)) restartAddressSearch(g.texts);
    // Other effects: the rotation starts again from the first.
    if (!sameEffects(now, before)) {
        g.effectCounter = 0;
        g.currentEffect = firstEffect(now);
        g.restoreEffect = true;
    }
}

// The owner's command, else dark in the quiet hours and asleep.
bool panelWanted(const ProgramLoop& loop)
{
    if (loop.commands.screen != ScreenMode::automatic) return loop.commands.screen == ScreenMode::on;
    return !loop.quiet && !g.asleep;
}

void writeEffect(int effect, const HatkitSettings& settings)
{
    startEffect(effect, settings);
    g.effectWritten = effect;
}

// Writes what g.leds asks for; the rotation's effect waits for the effect
// step of the pass, but after lost writes (`again`) goes back at once.
void showLights(const ProgramLoop& loop, bool again)
{
    if (g.leds.kind == LightKind::effect) g.effectWritten = g.leds.effect;
    if (g.leds.kind != LightKind::automatic) {
        showCommandedLight(g.leds, loop.settings);
    } else if (again) {
        writeEffect(g.currentEffect, loop.settings);
    } else {
        g.restoreEffect = true;
    }
}

// Into the quiet hours (or by command): panel and LEDs off. Out: the panel
// on again; the frame of this pass and the effect follow.
void modesChanged(ProgramLoop& loop)
{
    // The quiet hours' end and a command are worth a look.
    if ((g.wasQuiet && !loop.quiet) || loop.commands != g.commandsSeen) g.lookPending = true;
    g.wasQuiet = loop.quiet;
    g.commandsSeen = loop.commands;
    const bool panelDark = !panelWanted(loop);
    if (panelDark != g.panelDark) {
        g.panelDark = panelDark;
        ssd1306_command(panelDark ? kDisplayOff : kDisplayOn);
        if (!panelDark) g.wholeFrameDue = true;
    }
    const LightMode leds = lightsWanted(loop);
    if (leds != g.leds) {
        g.leds = leds;
        showLights(loop, false);
    }
}

// After the fan: the LEDs as they should be.
void restoreLights(const ProgramLoop& loop) { showLights(loop, true); }

// Only a change of state is written; no decision on a failed reading: the
// fan keeps its state rather than stopping because the sensor cannot be read.
void switchFan(ProgramLoop& loop)
{
    if (!g.texts.temperatureValid) return;
    driveFan(fanCommandOf(loop, g.texts.temperature, thresholdsOf(loop)), FanWrites::changes, &loop.fan);
}

void metricsRows(const ProgramLoop& loop, MetricsValues* values)
{
    values->model = g.texts.modelText;
    values->temperatureKnown = g.texts.tempText[0] != '\0';  // written by the first good reading
    values->temperature = g.texts.temperature;
    values->temperatureFailures = g.temperatureFailures;
    values->fanThresholds = thresholdsOf(loop);
    values->panelWrites = &ssd1306::panelWrites;
    values->lightEffect = g.effectWritten;
    values->panelPeakPixelHours = peakPixelHours(g.wear);
}

// A panel that missed writes is initialised again, as at start and with the
// settings in force, before the next frame; it stays marked until that is
// acknowledged. A panel meant to be dark is switched off again at once.
void recoverPanel()
{
    if (ssd1306::panelWrites.lost != g.panelLostSeen) g.panelLost = true;
    g.panelLostSeen = ssd1306::panelWrites.lost;
    if (!g.panelLost) return;
    ssd1306_initialise();
    if (g.panelDark) ssd1306_command(kDisplayOff);
    g.wholeFrameDue = true;
    g.panelLost = ssd1306::panelWrites.lost != g.panelLostSeen;
}

// The frame as the settings ask: whole and byte by byte, or only what
// changed, with a whole frame when due and at least every 60 passes.
void pushFrame(const ProgramLoop& loop)
{
    if (g.panelDark) return;
    if (loop.settings.displayUpdates == DisplayUpdates::full) {
        ssd1306_display();
        return;
    }
    if (g.wholeFrameDue || ++g.passesSinceWholeFrame >= kWholeFrameEveryPasses) {
        ssd1306_forgetPanel();
        g.wholeFrameDue = false;
        g.passesSinceWholeFrame = 0;
    }
    ssd1306_displayChanges();
}

// What is worth a look since the last pass: what came before it, a new
// address, the board stopping or starting to answer, the temperature
// crossing a fan threshold. (The fan switching is looked at where it
// switches.)
bool worthALook(const ProgramLoop& loop)
{
    bool look = g.lookPending;
    g.lookPending = false;
    const StatusTexts& texts = g.texts;
    if (std::strcmp(g.addressBefore, texts.addressText) != 0) {
        look = true;
        std::memcpy(g.addressBefore, texts.addressText, sizeof g.addressBefore);
    }
    if (loop.boardLost != g.boardLostBefore) {
        look = true;
        g.boardLostBefore = loop.boardLost;
    }
    if (texts.temperatureValid) {
        const FanThresholds t = thresholdsOf(loop);
        const double before = g.temperatureBefore;
        const double now = texts.temperature;
        if (g.temperatureBeforeValid && ((before >= t.onAt) != (now >= t.onAt) || (before <= t.offAt) != (now <= t.offAt))) {
            look = true;
        }
        g.temperatureBefore = now;
        g.temperatureBeforeValid = true;
    }
    return look;
}

int contrastShown(const ProgramLoop& loop)
{
    return g.dimmed ? loop.settings.dimContrast : loop.settings.displayContrast;
}

// After the push: the panel as bright as the time since the last look asks
// (a command to show the screen keeps it bright and awake). Waking, it gets
// the current picture before it is switched on; a dim panel gets its
// contrast back at once.
void careForPanel(ProgramLoop& loop, bool look, uint32_t passMs)
{
    noteLook(&g.care, look, passMs);
    const PanelLevel level =
        loop.commands.screen == ScreenMode::on ? PanelLevel::bright : levelFor(g.care, loop.settings);
    const bool asleep = level == PanelLevel::asleep;
    if (asleep != g.asleep) {
        g.asleep = asleep;
        const bool panelDark = !panelWanted(loop);
        if (panelDark != g.panelDark) {
            g.panelDark = panelDark;
            if (!panelDark) {
                g.wholeFrameDue = true;
                pushFrame(loop);
            }
            ssd1306_command(panelDark ? kDisplayOff : kDisplayOn);
        }
    }
    const bool dimmed = level == PanelLevel::dim;
    if (dimmed != g.dimmed) {
        g.dimmed = dimmed;
        ssd1306_setContrast(contrastShown(loop));
    }
}

// A pass up to its last pause.
PassEnd pass(ProgramLoop& loop)
{
    StatusTexts& texts = g.texts;
    recoverPanel();
    if (!sampleLoadAndMemory(texts)) {
        std::puts(kSysinfoError);
        drawSysinfoError();
        pushFrame(loop);
        // Paced like a normal pass, so a lasting failure cannot flood the
        // console and the bus.
        if (!pauseUnlessStopped(kAfterPushPauseMs) || !pauseUnlessStopped(kHalfPassPauseMs)) return PassEnd::stopped;
        return PassEnd::next;
    }
    ssd1306_clearDisplay();
    if (!texts.addressFound) {
        sampleAddress(texts, loop.settings);
    } else {
        refreshAddress(texts, loop.settings);
    }
    if (texts.boardModel == 0) detectBoardModel(texts);
    sampleTemperature(texts);
    if (!texts.temperatureValid) ++g.temperatureFailures;
    sampleDisk(texts);
    sampleCpuUse(texts);
    // In its orbit the picture moves as far as it fits.
    const OrbitOffset at = fitOffset(orbitOffset(g.care.orbitStep), roomToTheRight(texts), roomBelow(texts));
    drawStatusTexts(texts, at.dx, at.dy);
    pushFrame(loop);
    careForPanel(loop, worthALook(loop), kPassMs);
    if (!g.panelDark) addWear(&g.wear, ssd1306::buffer, contrastShown(loop), kPassMs);
    // A move sends the whole picture once.
    if (advanceOrbit(&g.care, loop.settings, kPassMs)) g.wholeFrameDue = true;
    if (!pauseUnlessStopped(kAfterPushPauseMs)) return PassEnd::stopped;
    switchFan(loop);
    if (loop.fan.switches != g.fanSwitchesSeen) {
        g.fanSwitchesSeen = loop.fan.switches;
        careForPanel(loop, true, 0);
    }
    if (!pauseUnlessStopped(kHalfPassPauseMs)) return PassEnd::stopped;
    // The rotation goes on through the quiet hours, unseen.
    const HatkitSettings& settings = loop.settings;
    const int effect = settings.lightEffectCount > 0
                           ? rotateEffectThrough(&g.effectCounter, settings.lightEffects, settings.lightEffectCount)
                           : rotateEffect(&g.effectCounter);
    if (effect != kNoEffectChange) g.currentEffect = effect;
    if (g.leds.kind == LightKind::automatic && (effect != kNoEffectChange || g.restoreEffect)) {
        writeEffect(g.currentEffect, settings);
        g.restoreEffect = false;
    }
    return PassEnd::next;
}

void stateRows(const ProgramLoop& loop, StateValues* values)
{
    values->fanThresholds = thresholdsOf(loop);
    const StatusTexts& texts = g.texts;
    // What the last pass could not read is unknown, though the panel keeps its text.
    values->temperatureKnown = texts.temperatureValid;
    values->temperature = texts.temperature;
    describeLightMode(g.leds, values->light, sizeof values->light);
    // Only a colour has a brightness here: effects show at their own.
    values->lightBrightness = g.leds.kind == LightKind::colour ? g.leds.brightness : 255;
    values->screen = g.panelDark ? "off" : g.dimmed ? "dim" : "on";
    values->panelAnswering = !g.panelLost;
    values->panelPeakPixelHours = peakPixelHours(g.wear);
    values->hasStatus = texts.cpuText[0] != '\0';
    values->load = static_cast<double>(texts.load1) / 65536.0;
    values->cpuUsedPercent = texts.cpuUsedPercent;
    values->ramUsedMb = texts.ramUsedMb;
    values->loadKnown = texts.loadKnown;
    values->ramKnown = texts.ramKnown;
    values->diskKnown = texts.diskKnown;
    values->diskUsedMb = texts.diskUsedMb;
    // "eth0:192.168.1.20": the address alone.
    const char* colon = std::strchr(texts.addressText, ':');
    values->address = texts.addressFound && colon != nullptr ? colon + 1 : "";
}

// A stopped sysglance no longer keeps its readings: a picture left lit
// would show a temperature and address that are no longer true, and burn
// in. The fan stays as it is: a stop never stops the cooling.
void stopping(ProgramLoop&) { ssd1306_command(kDisplayOff); }

}  // namespace

const ProgramParts kSysglance = {
    "sysglance",          kPassMs,  kHalfPassPauseMs, /*followsQuietHours=*/true, /*drivesFan=*/true,
    /*drivesLights=*/true, /*drivesScreen=*/true, pass, reloaded, modesChanged, restoreLights, metricsRows, stateRows,
    stopping,
};

bool startSysglance(ProgramLoop& loop)
{
    fetchFirstInterfaceList(g.texts);
    ssd1306_setOrientationAndContrast(loop.settings.displayFlip, loop.settings.displayContrast);
    ssd1306_begin(kChargePump, kPanelAddress);
    if (!openBoardLink(LinkAttempts::untilOpen)) return false;
    // A light of the owner's own goes on with the first pass instead.
    g.currentEffect = firstEffect(loop.settings);
    if (loop.settings.light.kind == LightKind::automatic) writeEffect(g.currentEffect, loop.settings);
    std::puts("init ok!");
    return true;
}
