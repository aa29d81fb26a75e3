// SPDX-License-Identifier: MIT
// The texts sysglance shows, and what the sampler learns along the way.
#pragma once

#include <cstdint>

#include "apps/sysglance/cpu_ticks.h"

struct ifaddrs;

constexpr int kTextSize = 32;  // 31 characters and the terminator
constexpr int kModelTextSize = 33;  // the 32 bytes read of the model file, and a terminator

struct StatusTexts {
    char cpuText[kTextSize] = "";
    char ramText[kTextSize] = "";
    char addressText[kTextSize] = "";
    char tempText[kTextSize] = "";
    char diskText[kTextSize] = "";
    bool addressFound = false;                // addressText holds a current address
    int passesSinceAddressCheck = 0;          // once found, the address is checked again every ten passes
    struct ifaddrs* interfaceList = nullptr;  // walked by the next address search
    int boardModel = 0;                       // 4: Pi 4 Model B, 3: Pi 3 Model B, 0: not recognised
    char modelText[kModelTextSize] = "";      // the model file's text, once read
    double temperature = 0.0;                 // the last good reading
    uint64_t load1 = 0;                       // the figures of the texts above (load: 65536 = 1.0)
    uint64_t ramUsedMb = 0;                   // MemTotal - MemAvailable, as free(1) counts it
    uint64_t diskUsedMb = 0;
    // Whether the last pass could take each reading: one it could not is
    // unknown to others (the state), though the panel keeps its last text.
    bool temperatureValid = false;
    bool loadKnown = false;
    bool ramKnown = false;
    bool diskKnown = false;
    // The share of CPU time in use over the last pass, from /proc/stat; -1
    // until two readings in a row.
    int cpuUsedPercent = -1;
    bool cpuTicksRead = false;
    CpuTicks cpuTicks;
};
