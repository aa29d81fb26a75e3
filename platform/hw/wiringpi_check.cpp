// SPDX-License-Identifier: MIT
// Built only with the wiringPi backend: the library supplies the four calls
// itself; this unit makes the compiler hold our declarations against its headers.
#include <wiringPi.h>
#include <wiringPiI2C.h>

#include "platform/wiring.h"
