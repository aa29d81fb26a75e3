// SPDX-License-Identifier: MIT
#include "apps/sysglance/status_format.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kMiBShift = 20;
constexpr uint64_t kLoadOne = 65536;
constexpr std::size_t kModelCompareLength = 22;

// Counter times unit without overflow past 64 bits: saturates instead.
uint64_t scaled(uint64_t count, uint64_t unit)
{
    if (unit != 0 && count > UINT64_MAX / unit) return UINT64_MAX;
    return count * unit;
}

}  // namespace

void formatText(char* out, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vsnprintf(out, kTextSize, format, args);
    va_end(args);
}

uint64_t cpuPercent(uint64_t load1)
{
    // load * 100 / 65536, split so that the product cannot overflow.
    return load1 / kLoadOne * 100 + (load1 % kLoadOne) * 100 / kLoadOne;
}

uint64_t usedMiB(uint64_t freeCount, uint64_t totalCount, uint64_t unit)
{
    return totalCount > freeCount ? scaled(totalCount - freeCount, unit) >> kMiBShift : 0;
}

void formatCpuText(char* out, uint64_t load1) { formatText(out, "CPU:%" PRIu64 "%%", cpuPercent(load1)); }

void formatRamText(char* out, uint64_t freeRam, uint64_t totalRam, uint64_t memUnit)
{
    formatText(out, "RAM:%" PRIu64 "/%" PRIu64 " MB", scaled(freeRam, memUnit) >> kMiBShift,
                  scaled(totalRam, memUnit) >> kMiBShift);
}

void formatDiskText(char* out, uint64_t freeBlocks, uint64_t totalBlocks, int64_t blockSize)
{
    const auto size = static_cast<uint64_t>(blockSize);
    const auto freeMiB = static_cast<int32_t>((freeBlocks * size) >> kMiBShift);
    const auto totalMiB = static_cast<int32_t>((totalBlocks * size) >> kMiBShift);
    formatText(out, "Disk:%" PRId32 "/%" PRId32 "MB", freeMiB, totalMiB);
}

void formatTempText(char* out, double degrees) { formatText(out, "Temp:%.1fC", degrees); }

int boardModelFromText(const char* text, std::size_t length)
{
    // Only the first 22 characters count, so every revision (and the Plus
    // boards) of a model matches; the text ends early at a NUL byte.
    char prefix[kModelCompareLength + 1] = {};
    std::size_t n = 0;
    while (n < length && n < kModelCompareLength && text[n] != '\0') {
        prefix[n] = text[n];
        ++n;
    }
    if (std::strcmp(prefix, "Raspberry Pi 4 Model B") == 0) return 4;
    if (std::strcmp(prefix, "Raspberry Pi 3 Model B") == 0) return 3;
    return 0;
}
