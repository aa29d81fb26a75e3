// The emulated I2C bus: links opened by wiringPiI2CSetup, the bus device
// going away and coming back, devices that stop answering, and dispatch of
// write-byte-data transactions to the device models.
#pragma once

namespace hatsim {

// wiringPiI2CSetup: a new handle bound to address, or -1.
int openLink(int address);
// wiringPiI2CWriteReg8: 0 when a device acknowledged, -1 when lost.
int writeLink(int handle, int reg, int value);

void setBusUp(bool up);
void setDevicePresent(int address, bool present);
void resetBus();

}  // namespace hatsim
