// SPDX-License-Identifier: MIT
/* Test stand-in for the wiringPi library's I2C header. */
#ifndef HATKIT_TEST_WIRINGPII2C_H
#define HATKIT_TEST_WIRINGPII2C_H
#ifdef __cplusplus
extern "C" {
#endif
int wiringPiI2CSetup(const int devId);
int wiringPiI2CWriteReg8(int fd, int reg, int data);
#ifdef __cplusplus
}
#endif
#endif
