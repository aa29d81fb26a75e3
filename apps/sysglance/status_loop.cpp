// SPDX-License-Identifier: MIT
#include "apps/sysglance/status_loop.h"

#include <cstdio>
#include <cstring>

#include "apps/metrics.h"
#include "apps/program_settings.h"
#include "apps/sysglance/effect_rotation.h"
#include "apps/sysglance/fan_policy.h"
#include "apps/sysglance/status_sampler.h"
#include "apps/sysglance/status_screen.h"
#include "board/board_link.h"
#include "oled/ssd1306_i2c.h"
#include "oled/ssd1306_state.h"
#include "platform/wiring.h"

namespace {

constexpr const char* kProgram = "sysglance";
constexpr int kPanelAddress = 0x3C;
constexpr int kChargePump = 2;
constexpr unsigned kRetryPauseMs = 500;
constexpr unsigned kAfterPushPauseMs = 10;
constexpr unsigned kHalfPassPauseMs = 500;
constexpr unsigned kPassMs = kAfterPushPauseMs + 2 * kHalfPassPauseMs;
constexpr int kDisplayOff = 0xAE;
constexpr int kDisplayOn = 0xAF;
// display_updates = changes: a disturbed panel heals within this many passes.
constexpr int kWholeFrameEveryPasses = 60;

// Blocks until the board controller's link opens, retrying every 500 ms.
void openBoardLinkWithRetries()
{
    fd_i2c = wiringPiI2CSetup(kBoardAddress);
    while (fd_i2c < 0) {
        fd_i2c = wiringPiI2CSetup(kBoardAddress);
        std::fputs("fail to init I2C\n", stderr);
        delay(kRetryPauseMs);
    }
}

FanThresholds thresholdsOf(const StatusLoop& loop)
{
    return thresholdsInForce(loop.settings, fanThresholdsFor(loop.texts.boardModel));
}

bool sameInterfaces(const HatkitSettings& a, const HatkitSettings& b)
{
    if (a.anyInterface != b.anyInterface || a.interfaceCount != b.interfaceCount) return false;
    for (int i = 0; i < a.interfaceCount; ++i) {
        if (std::strcmp(a.interfaces[i], b.interfaces[i]) != 0) return false;
    }
    return true;
}

// SIGHUP: the settings read again take effect from this pass on.
void reloadSettings(StatusLoop& loop)
{
    if (!reloadPending()) return;
    // An owner who reloads may be mending the screen: it is sent whole.
    loop.wholeFrameDue = true;
    const HatkitSettings before = loop.settings;
    if (takeReload(kProgram, &loop.settings, &loop.reloads) != ReloadResult::applied) return;
    const HatkitSettings& now = loop.settings;
    if (now.displayFlip != before.displayFlip || now.displayContrast != before.displayContrast) {
        ssd1306_setOrientationAndContrast(now.displayFlip, now.displayContrast);
    }
    if (!sameInterfaces(now, before)) restartAddressSearch(loop.texts);
}

// Into the quiet hours: panel and LEDs off. Out: the panel on again; the
// frame of this pass and the effect follow.
void applyQuietHours(StatusLoop& loop)
{
    switch (followQuietHours(loop.settings, &loop.quiet)) {
    case QuietChange::began:
        ssd1306_command(kDisplayOff);
        closeRGB();
        break;
    case QuietChange::ended:
        ssd1306_command(kDisplayOn);
        loop.restoreEffect = true;
        loop.wholeFrameDue = true;
        break;
    case QuietChange::none: break;
    }
}

void writeEffect(StatusLoop& loop, int effect)
{
    setRGBEffect(effect);
    loop.effectWritten = effect;
}

// Only a change of state is written; no decision on a failed reading: the
// fan keeps its state rather than stopping because the sensor cannot be read.
void driveFan(StatusLoop& loop)
{
    if (!loop.texts.temperatureValid) return;
    const double before = loop.fanMemory;
    const FanCommand command = decideFan(thresholdsOf(loop), loop.texts.temperature, &loop.fanMemory);
    if (command == FanCommand::none) return;
    setFan(command == FanCommand::on);
    if (before != kFanNothingWritten) ++loop.fanSwitches;
}

void writeMetricsOf(const StatusLoop& loop)
{
    const StatusTexts& texts = loop.texts;
    MetricsValues values = programMetrics(kProgram, loop.passes, loop.reloads);
    values.model = texts.modelText;
    values.temperatureKnown = texts.tempText[0] != '\0';  // written by the first good reading
    values.temperature = texts.temperature;
    values.temperatureFailures = loop.temperatureFailures;
    values.drivesFan = true;
    values.fanOn = loop.fanMemory == kFanNothingWritten ? -1 : loop.fanMemory == 1.0 ? 1 : 0;
    values.fanThresholds = thresholdsOf(loop);
    values.fanSwitches = loop.fanSwitches;
    values.panelWrites = &ssd1306::panelWrites;
    values.followsQuietHours = true;
    values.quiet = loop.quiet;
    values.lightEffect = loop.effectWritten;
    writeMetrics(values);
}

// Writes lost since the last look mark the device: it may have lost power.
void noteLostWrites(StatusLoop& loop)
{
    if (ssd1306::panelWrites.lost != loop.panelLostSeen) loop.panelLost = true;
    if (boardWrites.lost != loop.boardLostSeen) loop.boardLost = true;
    loop.panelLostSeen = ssd1306::panelWrites.lost;
    loop.boardLostSeen = boardWrites.lost;
}

// A panel that missed writes is initialised again, as at start and with the
// settings in force, before the next frame; it stays marked until that is
// acknowledged. In the quiet hours it is switched off again at once.
void recoverPanel(StatusLoop& loop)
{
    if (!loop.panelLost) return;
    ssd1306_initialise();
    if (loop.quiet) ssd1306_command(kDisplayOff);
    loop.wholeFrameDue = true;
    loop.panelLost = ssd1306::panelWrites.lost != loop.panelLostSeen;
}

// A board that missed writes gets the fan state and the LEDs' state back,
// until that is acknowledged.
void recoverBoard(StatusLoop& loop)
{
    if (!loop.boardLost) return;
    if (loop.fanMemory != kFanNothingWritten) setFan(loop.fanMemory == 1.0);
    if (loop.quiet) {
        closeRGB();
    } else {
        writeEffect(loop, loop.currentEffect);
    }
    loop.boardLost = boardWrites.lost != loop.boardLostSeen;
}

// The frame as the settings ask: whole and byte by byte, or only what
// changed, with a whole frame when due and at least every 60 passes.
void pushFrame(StatusLoop& loop)
{
    if (loop.quiet) return;
    if (loop.settings.displayUpdates == DisplayUpdates::full) {
        ssd1306_display();
        return;
    }
    if (loop.wholeFrameDue || ++loop.passesSinceWholeFrame >= kWholeFrameEveryPasses) {
        ssd1306_forgetPanel();
        loop.wholeFrameDue = false;
        loop.passesSinceWholeFrame = 0;
    }
    ssd1306_displayChanges();
}

}  // namespace

void startStatusPanel(StatusLoop& loop)
{
    loop.fanMemory = kFanNothingWritten;
    loop.effectCounter = 0;
    loop.currentEffect = kStartEffect;
    loop.quiet = false;
    loop.restoreEffect = false;
    loop.wholeFrameDue = true;
    loop.passesSinceWholeFrame = 0;
    loop.panelLost = false;
    loop.boardLost = false;
    loop.panelLostSeen = ssd1306::panelWrites.lost;
    loop.boardLostSeen = boardWrites.lost;
    loop.passes = 0;
    loop.temperatureFailures = 0;
    loop.fanSwitches = 0;
    loop.effectWritten = -1;
    followMetricsSetting(kProgram, loop.settings);
    fetchFirstInterfaceList(loop.texts);
    ssd1306_setOrientationAndContrast(loop.settings.displayFlip, loop.settings.displayContrast);
    ssd1306_begin(kChargePump, kPanelAddress);
    (void)wiringPiSetup();
    openBoardLinkWithRetries();
    writeEffect(loop, kStartEffect);
    std::puts("init ok!");
}

namespace {

// A pass up to its last pause.
void runPassBody(StatusLoop& loop)
{
    StatusTexts& texts = loop.texts;
    reloadSettings(loop);
    applyQuietHours(loop);
    noteLostWrites(loop);
    recoverPanel(loop);
    recoverBoard(loop);
    if (!sampleLoadAndMemory(texts)) {
        std::puts(kSysinfoError);
        drawSysinfoError();
        pushFrame(loop);
        // Paced like a normal pass, so a lasting failure cannot flood the
        // console and the bus.
        delay(kAfterPushPauseMs);
        delay(kHalfPassPauseMs);
        return;
    }
    ssd1306_clearDisplay();
    if (!texts.addressFound) {
        sampleAddress(texts, loop.settings);
    } else {
        refreshAddress(texts, loop.settings);
    }
    if (texts.boardModel == 0) detectBoardModel(texts);
    sampleTemperature(texts);
    if (!texts.temperatureValid) ++loop.temperatureFailures;
    sampleDisk(texts);
    drawStatusTexts(texts);
    pushFrame(loop);
    delay(kAfterPushPauseMs);
    driveFan(loop);
    delay(kHalfPassPauseMs);
    // The rotation goes on through the quiet hours, unseen.
    const int effect = rotateEffect(&loop.effectCounter);
    if (effect != kNoEffectChange) loop.currentEffect = effect;
    if (!loop.quiet && (effect != kNoEffectChange || loop.restoreEffect)) {
        writeEffect(loop, loop.currentEffect);
        loop.restoreEffect = false;
    }
}

}  // namespace

void runStatusPass(StatusLoop& loop)
{
    runPassBody(loop);
    ++loop.passes;
    if (metricsDue(kPassMs)) writeMetricsOf(loop);
    delay(kHalfPassPauseMs);
}
