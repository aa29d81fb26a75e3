// SPDX-License-Identifier: MIT
// The share of CPU time in use, from the kernel's tick counters. Pure
// functions: no I/O.
#pragma once

#include <cstddef>
#include <cstdint>

// /proc/stat's first line ("cpu  user nice system idle iowait irq softirq
// steal ..."): the ticks of all CPUs in all, and those not idle (idle and
// iowait are idle). False for any other text.
struct CpuTicks {
    uint64_t busy = 0;
    uint64_t all = 0;
};
bool parseCpuTicks(const char* text, std::size_t length, CpuTicks* ticks);
// The share of CPU time in use between two readings, 0 to 100 rounded; -1
// when no time passed or the counters went back.
int cpuUsedPercent(const CpuTicks& before, const CpuTicks& now);
