#include <ctime>

#include "platform/time_of_day.h"

int localSecondsOfDay()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    if (localtime_r(&now, &local) == nullptr) return 0;
    return local.tm_hour * 3600 + local.tm_min * 60 + (local.tm_sec < 60 ? local.tm_sec : 59);
}
