// SPDX-License-Identifier: MIT
// The local time of day, for settings that follow the clock (quiet hours).
// On hatsim it is HATSIM_CLOCK moved on by the virtual clock.
#pragma once

#include <ctime>

// Seconds after local midnight, 0 to 86399.
int localSecondsOfDay();

// The same of a broken-down local time (a leap second counts as :59).
inline int secondsOfDay(const std::tm& local)
{
    return local.tm_hour * 3600 + local.tm_min * 60 + (local.tm_sec < 60 ? local.tm_sec : 59);
}
