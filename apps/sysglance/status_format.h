// SPDX-License-Identifier: MIT
// Turning the kernel's counters into status texts. Pure functions: no I/O.
#pragma once

#include <cstddef>
#include <cstdint>

#include "apps/sysglance/status_texts.h"

// printf into a text store, cut at 31 characters.
void formatText(char* out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// The load as a percentage of one CPU (the screen's figure), and, for the
// state file, (total - free) x unit in MiB (0 when free is the larger).
uint64_t cpuPercent(uint64_t load1);
uint64_t usedMiB(uint64_t freeCount, uint64_t totalCount, uint64_t unit);

// "CPU:N%": the 1-minute load (fixed point, 65536 = 1.0) as a percentage of one CPU.
void formatCpuText(char* out, uint64_t load1);
// "RAM:free/total MB": the counters times mem_unit, in MiB.
void formatRamText(char* out, uint64_t freeRam, uint64_t totalRam, uint64_t memUnit);
// "Disk:free/totalMB": blocks times block size, in MiB, kept as 32-bit values.
void formatDiskText(char* out, uint64_t freeBlocks, uint64_t totalBlocks, int64_t blockSize);
// "Temp:47.2C"
void formatTempText(char* out, double degrees);
// The board model from the device tree's model text: 4, 3 or 0.
int boardModelFromText(const char* text, std::size_t length);
