// SPDX-License-Identifier: MIT
// Scenario files (HATSIM_SCRIPT): one timed action per line,
// "MS ACTION ARGUMENTS" separated by single spaces.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hatsim {

enum class ActionKind {
    writeFile,
    removePath,
    makeDir,
    busDown,
    busUp,
    deviceAbsent,
    devicePresent,
    deviceReset,
    sysinfoFail,
    sysinfoSet,
    statfsFail,
    statfsSet,
    ifaddrsFail,
    ifaddrsSet,
    signalHangup,
};

// One entry of a scripted interface list. family is AF_INET, AF_INET6, or
// AF_UNSPEC for an entry without an address.
struct InterfaceEntry {
    std::string name;
    int family = 0;
    unsigned char address[16] = {};
};

struct Action {
    int64_t ms = 0;
    int line = 0;
    ActionKind kind = ActionKind::busUp;
    std::string path;                // file, remove, dir
    std::string text;                // file
    bool hasText = false;            // file: TEXT given, so a line end follows it
    int address = 0;                 // device
    uint64_t numbers[4] = {};        // sysinfo: load1 totalram freeram memunit; statfs: blocks bfree bsize
    std::vector<InterfaceEntry> interfaces;  // ifaddrs
};

struct ScenarioError {
    int line = 0;
    std::string message;
};

// Parses a whole scenario. On a malformed line returns false and names it.
bool parseScenario(const std::string& content, std::vector<Action>* actions, ScenarioError* error);

}  // namespace hatsim
