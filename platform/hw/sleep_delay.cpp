// SPDX-License-Identifier: MIT
// wiringPi's delay() for the i2c-dev backend.
#include <cerrno>
#include <ctime>

#include "platform/wiring.h"

extern "C" void delay(unsigned int howLong)
{
    timespec remaining{static_cast<time_t>(howLong / 1000), static_cast<long>(howLong % 1000) * 1000000L};
    // A signal must not cut a pause short: resume with what is left.
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}
