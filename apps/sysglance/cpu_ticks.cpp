// SPDX-License-Identifier: MIT
#include "apps/sysglance/cpu_ticks.h"

#include <cstring>

bool parseCpuTicks(const char* text, std::size_t length, CpuTicks* ticks)
{
    // user nice system idle iowait irq softirq steal; guest time is in user.
    constexpr int kFields = 8;
    constexpr int kIdle = 3, kIowait = 4;
    if (length < 4 || std::memcmp(text, "cpu ", 4) != 0) return false;
    std::size_t at = 4;
    CpuTicks read;
    for (int field = 0; field < kFields; ++field) {
        while (at < length && text[at] == ' ') ++at;
        if (at >= length || text[at] < '0' || text[at] > '9') {
            // Kernels before 2.6.11 have no steal (and older ones fewer still).
            if (field > kIowait) break;
            return false;
        }
        uint64_t value = 0;
        for (; at < length && text[at] >= '0' && text[at] <= '9'; ++at) {
            const auto digit = static_cast<uint64_t>(text[at] - '0');
            if (value > (UINT64_MAX - digit) / 10) return false;
            value = value * 10 + digit;
        }
        if (read.all > UINT64_MAX - value) return false;
        read.all += value;
        if (field != kIdle && field != kIowait) read.busy += value;
    }
    *ticks = read;
    return true;
}

int cpuUsedPercent(const CpuTicks& before, const CpuTicks& now)
{
    if (now.all <= before.all || now.busy < before.busy || now.busy - before.busy > now.all - before.all) return -1;
    const double share = static_cast<double>(now.busy - before.busy) / static_cast<double>(now.all - before.all);
    return static_cast<int>(share * 100.0 + 0.5);
}
