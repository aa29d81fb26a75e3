// SPDX-License-Identifier: MIT
// The units, through systemctl: or through the command that the variable
// HATKIT_SYSTEMCTL names, which tests set to one that records its
// arguments (docs/development.md).
#pragma once

#include <string>
#include <vector>

// Runs it with these arguments; its standard output into *out when given.
// Its exit status, or -1 when it could not be run.
int runSystemctl(const std::vector<std::string>& args, std::string* out);

constexpr int kBoardUnits = 3;
extern const char* const kBoardUnitNames[kBoardUnits];  // sysglance, airguard, heatglow

struct UnitFacts {
    std::string name;      // "sysglance"
    bool known = false;    // systemctl said anything of it
    std::string active;    // "active", "inactive", "failed", ...
    std::string since;     // when it became active
    std::string enabled;   // "enabled", "disabled", ...
    int restarts = 0;
};

// Whether systemd manages this machine (not in a container without it):
// /run/systemd/system, through the platform seam.
bool systemdRuns();

// sysglance, airguard, heatglow and hatkit-mqtt, in one call.
std::vector<UnitFacts> unitFacts();
