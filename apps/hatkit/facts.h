// SPDX-License-Identifier: MIT
// What `hatkit status` and `hatkit doctor` look at: the units, the board
// programs' state files, the bridge's state, the settings and the bus
// device. Read-only; nothing here touches the bus.
#pragma once

#include <string>
#include <vector>

#include "apps/hatkit-mqtt/program_states.h"
#include "apps/hatkit/systemctl.h"
#include "apps/common/files/hatkit_conf.h"

struct Facts {
    std::vector<UnitFacts> units;  // sysglance, airguard, heatglow, hatkit-mqtt
    ProgramState states[kPrograms];
    bool fresh[kPrograms] = {};
    bool settingsOk = true;
    std::string settingsMessage;  // "hatkit.conf line N: why"
    HatkitSettings settings;
    bool bridgeStateThere = false;  // the bridge runs
    bool bridgeConnected = false;
    std::string broker;
    bool busThere = false;  // /dev/i2c-1
};

Facts gatherFacts();

// A fresh program's field, or "" (the first fresh program that has it).
std::string freshField(const Facts& facts, const char* key);
// The fresh programs, by name.
std::vector<std::string> runningPrograms(const Facts& facts);
const UnitFacts* unitOf(const Facts& facts, const std::string& name);

// One judgement of the facts, which status and doctor both print: each
// line true on its own, "ok" in its own words or the problem with what
// mends it.
struct Finding {
    bool ok;
    std::string okText;
    std::string problem;
};
std::vector<Finding> judge(const Facts& facts);

// What needs the owner, one line each: the problems of judge().
std::vector<std::string> problemsOf(const Facts& facts);
