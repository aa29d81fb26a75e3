// SPDX-License-Identifier: MIT
#include <ctime>

#include "platform/time_of_day.h"

int localSecondsOfDay()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    if (localtime_r(&now, &local) == nullptr) return 0;
    return secondsOfDay(local);
}
