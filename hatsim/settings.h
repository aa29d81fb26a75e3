// SPDX-License-Identifier: MIT
// hatsim's settings, read from HATSIM_* environment variables.
#pragma once

#include <cstdint>
#include <string>

namespace hatsim {

struct Settings {
    double speed = 1.0;      // real pauses scaled by 1/speed; 0: no real time
    bool hasEnd = false;
    int64_t endMs = 0;
    const char* root = nullptr;      // null: the demo root
    const char* script = nullptr;
    const char* tracePath = nullptr;
    const char* snapshotPath = nullptr;
    bool view = false;
    int64_t clockSecondsOfDay = -1;  // HATSIM_CLOCK's time of day; -1: the host's at start
};

using EnvLookup = const char* (*)(const char* name);

// Reads the settings; on a bad value returns false with a one-line message.
// stderrIsTerminal decides the live view's default.
bool readSettings(EnvLookup lookup, bool stderrIsTerminal, Settings* settings, std::string* message);

}  // namespace hatsim
