// SPDX-License-Identifier: MIT
// The emulated I2C bus: links opened by wiringPiI2CSetup, the bus device
// going away and coming back, devices that stop answering, and dispatch of
// write-byte-data transactions to the device models.
#pragma once

#include <cstdint>

namespace hatsim {

// wiringPiI2CSetup: a new handle bound to address, or -1.
int openLink(int address);
// wiringPiI2CWriteReg8: 0 when a device acknowledged, -1 when lost.
int writeLink(int handle, int reg, int value);
// One write transaction of count bytes: 0 when a device acknowledged, -1
// when lost (no device, no open link, or count below 1: nothing is sent).
int sendLink(int handle, const uint8_t* bytes, int count);

// Whether a device answers at address: 1, 0, or -1 when the bus is down.
// Nothing reaches the models, and nothing the trace.
int probeLink(int address);

void setBusUp(bool up);
void setDevicePresent(int address, bool present);
// The device at address back in its power-on state (present or not).
void resetDevice(int address);
void resetBus();

}  // namespace hatsim
