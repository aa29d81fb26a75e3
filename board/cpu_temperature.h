// SPDX-License-Identifier: MIT
// CPU temperature from the kernel's first thermal zone.
#pragma once

#include <cstddef>
#include <cstdint>

enum class TemperatureStatus { ok, openFailed, readFailed };

struct TemperatureReading {
    TemperatureStatus status;
    double degrees;  // 0.0 unless status is ok
};

constexpr const char* kThermalZonePath = "/sys/class/thermal/thermal_zone0/temp";

// Reads the thermal zone afresh, at most `limit` bytes (1 to 32) in one read.
// Content without a number is a read failure.
TemperatureReading readCpuTemperature(int limit);

// Parses millidegrees the way atoi does (leading white space, optional sign,
// digits up to the first other character), saturating at the int32 limits.
// Returns false when no digit follows the white space and sign.
bool parseMillidegrees(const char* text, std::size_t length, int32_t* value);
