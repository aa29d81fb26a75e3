// SPDX-License-Identifier: MIT
// wiringPi's delay() for the i2c-dev backend: another signal (SIGHUP) does
// not cut a pause short; a stop ends it at once.
#include "platform/stop_request.h"
#include "platform/wiring.h"

extern "C" void delay(unsigned int howLong) { sleepUnlessStopped(static_cast<uint64_t>(howLong) * 1000000ULL); }
