// SPDX-License-Identifier: MIT
// The four bus and timing calls of the wiringPi library, with its names,
// arguments and results. Depending on the build they come from wiringPi
// itself, from the i2c-dev backend, or from hatsim.
#pragma once

extern "C" {
int wiringPiSetup(void);
int wiringPiI2CSetup(const int devId);
int wiringPiI2CWriteReg8(int fd, int reg, int data);
void delay(unsigned int howLong);
}
