// SPDX-License-Identifier: MIT
/* Test stand-in for the wiringPi library's main header: only the calls
   hatkit uses, with the library's C signatures. */
#ifndef HATKIT_TEST_WIRINGPI_H
#define HATKIT_TEST_WIRINGPI_H
#ifdef __cplusplus
extern "C" {
#endif
int wiringPiSetup(void);
void delay(unsigned int howLong);
#ifdef __cplusplus
}
#endif
#endif
