// SPDX-License-Identifier: MIT
// What the stand-in wiringPi library was asked, one line per call.
#pragma once

#include <string>

extern "C" const char* wiringPiStandinLog(void);
extern "C" void wiringPiStandinReset(void);
