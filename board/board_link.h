// SPDX-License-Identifier: MIT
// Client for the add-on board's controller (I2C address 0x0D): one
// single-byte register write per operation, nothing is ever read back.
#pragma once

#include "platform/bus_transfer.h"

// The board link; -1 until the program opens it with wiringPiI2CSetup(0x0D).
extern int fd_i2c;

constexpr int kBoardAddress = 0x0D;

// Every register write sent, and those the controller did not acknowledge.
// The client itself never acts on them.
extern BusTally boardWrites;

// Colour on LED num (0, 1, 2) or on all LEDs (num > 2); num < 0 writes nothing.
void setRGB(int num, int r, int g, int b);
// All LEDs off, running effect stopped.
void closeRGB();
// Light effect 0-4; other values are ignored.
void setRGBEffect(int effect);
// Effect speed 1-3; other values are ignored.
void setRGBSpeed(int speed);
// Effect colour 0-6; other values are ignored.
void setRGBColor(int color);
// Fan on or off; every call is one write.
void setFan(bool on);
