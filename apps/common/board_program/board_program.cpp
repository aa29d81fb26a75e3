// SPDX-License-Identifier: MIT
#include "apps/common/board_program/board_program.h"

#include <cstdio>

#include "board/board_link.h"
#include "board/cpu_temperature.h"
#include "platform/stop_request.h"
#include "platform/wiring.h"

namespace {
constexpr unsigned kLinkRetryPauseMs = 500;
constexpr int kAllLeds = 3;
}  // namespace

void useLineBufferedOutput() { std::setvbuf(stdout, nullptr, _IOLBF, 0); }

bool openBoardLink(LinkAttempts attempts)
{
    (void)wiringPiSetup();
    fd_i2c = wiringPiI2CSetup(kBoardAddress);
    if (fd_i2c >= 0) return true;
    if (attempts == LinkAttempts::once) {
        std::fputs("fail to init I2C\n", stderr);
        return false;
    }
    do {
        fd_i2c = wiringPiI2CSetup(kBoardAddress);
        std::fputs("fail to init I2C\n", stderr);
        if (!pauseUnlessStopped(kLinkRetryPauseMs)) return false;
    } while (fd_i2c < 0);
    return true;
}

bool pauseUnlessStopped(unsigned ms)
{
    delay(ms);
    return !stopRequested();
}

void startEffect(int effect, const HatkitSettings& settings)
{
    setRGBEffect(effect);
    if (settings.lightSpeed > 0) setRGBSpeed(settings.lightSpeed);
    if (settings.lightEffectColour >= 0) setRGBColor(settings.lightEffectColour);
}

void showCommandedLight(const LightMode& light, const HatkitSettings& settings)
{
    switch (light.kind) {
    case LightKind::automatic: break;
    case LightKind::off: closeRGB(); break;
    case LightKind::colour: {
        closeRGB();
        const LightMode shown = scaledColour(light, light.brightness);
        setRGB(kAllLeds, shown.red, shown.green, shown.blue);
        break;
    }
    case LightKind::effect: startEffect(light.effect, settings); break;
    }
}

bool readTemperatureOrReport(int limit, double* degrees)
{
    const TemperatureReading reading = readCpuTemperature(limit);
    switch (reading.status) {
    case TemperatureStatus::ok: *degrees = reading.degrees; return true;
    case TemperatureStatus::openFailed: std::fputs("fail to open thermal_zone0/temp\n", stderr); return false;
    case TemperatureStatus::readFailed: std::fputs("fail to read temp\n", stderr); return false;
    }
    return false;
}
