// SPDX-License-Identifier: MIT
#include "board/board_link.h"

#include "platform/wiring.h"

int fd_i2c = -1;
BusTally boardWrites;

namespace {

enum BoardRegister {
    kLedSelect = 0,
    kRed = 1,
    kGreen = 2,
    kBlue = 3,
    kEffect = 4,
    kEffectSpeed = 5,
    kEffectColour = 6,
    kLedsOff = 7,
    kFan = 8,
};

constexpr int kAllLeds = 0xFF;

// The client acts on no result: the controller never answers, and a lost
// write is repaired by the caller, which may watch boardWrites.
void writeRegister(int reg, int value) { (void)boardWrites.count(wiringPiI2CWriteReg8(fd_i2c, reg, value)); }

}  // namespace

void setRGB(int num, int r, int g, int b)
{
    if (num < 0) return;
    writeRegister(kLedSelect, num <= 2 ? num : kAllLeds);
    writeRegister(kRed, r);
    writeRegister(kGreen, g);
    writeRegister(kBlue, b);
}

void closeRGB() { writeRegister(kLedsOff, 0); }

void setRGBEffect(int effect)
{
    if (effect >= 0 && effect <= 4) writeRegister(kEffect, effect);
}

void setRGBSpeed(int speed)
{
    if (speed >= 1 && speed <= 3) writeRegister(kEffectSpeed, speed);
}

void setRGBColor(int color)
{
    if (color >= 0 && color <= 6) writeRegister(kEffectColour, color);
}

void setFan(bool on) { writeRegister(kFan, on ? 1 : 0); }
