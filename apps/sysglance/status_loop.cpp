#include "apps/sysglance/status_loop.h"

#include <cstdio>

#include "apps/sysglance/effect_rotation.h"
#include "apps/sysglance/fan_policy.h"
#include "apps/sysglance/status_sampler.h"
#include "apps/sysglance/status_screen.h"
#include "board/board_link.h"
#include "oled/ssd1306_i2c.h"
#include "platform/wiring.h"

namespace {

constexpr int kPanelAddress = 0x3C;
constexpr int kChargePump = 2;
constexpr unsigned kRetryPauseMs = 500;
constexpr unsigned kAfterPushPauseMs = 10;
constexpr unsigned kHalfPassPauseMs = 500;

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

void applyFan(FanWrite write)
{
    if (write == FanWrite::on) setFan(true);
    if (write == FanWrite::off) setFan(false);
}

}  // namespace

void startStatusPanel(StatusLoop& loop)
{
    loop.fanMemory = kFanNothingWritten;
    loop.effectCounter = 0;
    fetchFirstInterfaceList(loop.texts);
    ssd1306_begin(kChargePump, kPanelAddress);
    (void)wiringPiSetup();
    openBoardLinkWithRetries();
    setRGBEffect(kStartEffect);
    std::puts("init ok!");
}

void runStatusPass(StatusLoop& loop)
{
    StatusTexts& texts = loop.texts;
    if (!sampleLoadAndMemory(texts)) {
        std::puts(kSysinfoError);
        drawSysinfoError();
        ssd1306_display();
        // Paced like a normal pass, so a lasting failure cannot flood the
        // console and the bus.
        delay(kAfterPushPauseMs);
        delay(kHalfPassPauseMs);
        delay(kHalfPassPauseMs);
        return;
    }
    ssd1306_clearDisplay();
    if (!texts.addressFound) {
        sampleAddress(texts);
    } else {
        refreshAddress(texts);
    }
    if (texts.boardModel == 0) detectBoardModel(texts);
    sampleTemperature(texts);
    sampleDisk(texts);
    drawStatusTexts(texts);
    ssd1306_display();
    delay(kAfterPushPauseMs);
    // No decision on a failed reading: the fan keeps its state rather than
    // stopping because the sensor cannot be read.
    if (texts.temperatureValid) applyFan(decideFan(texts.boardModel, texts.temperature, &loop.fanMemory));
    delay(kHalfPassPauseMs);
    const int effect = rotateEffect(&loop.effectCounter);
    if (effect != kNoEffectChange) setRGBEffect(effect);
    delay(kHalfPassPauseMs);
}
