// SPDX-License-Identifier: MIT
#include "board/cpu_temperature.h"

#include <unistd.h>

#include "platform/system_files.h"

namespace {

constexpr int kMaxRead = 32;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

bool parseMillidegrees(const char* text, std::size_t length, int32_t* value)
{
    std::size_t i = 0;
    while (i < length && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate the magnitude in 64 bits and stop growing once past the
    // int32 range, so any run of digits is safe.
    constexpr int64_t kCap = int64_t{INT32_MAX} + 1;
    int64_t magnitude = 0;
    bool sawDigit = false;
    for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i) {
        sawDigit = true;
        if (magnitude < kCap) magnitude = magnitude * 10 + (text[i] - '0');
    }
    if (!sawDigit) return false;
    if (negative) {
        *value = magnitude >= kCap ? INT32_MIN : static_cast<int32_t>(-magnitude);
    } else {
        *value = magnitude > INT32_MAX ? INT32_MAX : static_cast<int32_t>(magnitude);
    }
    return true;
}

TemperatureReading readCpuTemperature(int limit)
{
    if (limit < 1) limit = 1;
    if (limit > kMaxRead) limit = kMaxRead;

    const int fd = openSystemFile(kThermalZonePath);
    if (fd < 0) return {TemperatureStatus::openFailed, 0.0};

    char text[kMaxRead + 1];
    const ssize_t got = read(fd, text, static_cast<std::size_t>(limit));
    close(fd);
    int32_t millidegrees = 0;
    if (got < 0 || !parseMillidegrees(text, static_cast<std::size_t>(got), &millidegrees)) {
        return {TemperatureStatus::readFailed, 0.0};
    }
    return {TemperatureStatus::ok, static_cast<double>(millidegrees) / 1000.0};
}
