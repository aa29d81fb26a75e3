// SPDX-License-Identifier: MIT
// hatkit use PROGRAM...: the board programs that run from now on and at
// boot. The others are stopped and disabled first, then the chosen enabled
// and started, so that two programs that drive the same part never run at
// once.
#include <algorithm>
#include <unistd.h>

#include <cstdio>

#include "apps/hatkit/owner_commands.h"
#include "apps/hatkit/systemctl.h"

namespace {

bool known(const std::string& name)
{
    return std::find(std::begin(kBoardUnitNames), std::end(kBoardUnitNames), name) != std::end(kBoardUnitNames);
}

bool chose(const std::vector<std::string>& chosen, const char* name)
{
    return std::find(chosen.begin(), chosen.end(), name) != chosen.end();
}

// Why the chosen programs cannot run together; "" when they can.
std::string conflictOf(const std::vector<std::string>& chosen)
{
    const bool sysglance = std::find(chosen.begin(), chosen.end(), "sysglance") != chosen.end();
    if (!sysglance || chosen.size() == 1) return "";
    const std::string other = chosen[0] == "sysglance" ? chosen[1] : chosen[0];
    if (other == "airguard") return "sysglance and airguard both switch the fan";
    return "sysglance and " + other + " both drive the LEDs";
}

}  // namespace

int usePrograms(const std::vector<std::string>& programs)
{
    std::vector<std::string> chosen;
    for (const std::string& name : programs) {
        if (name == "none" && programs.size() == 1) continue;
        if (name == "lampshow") {
            std::fputs("hatkit: lampshow starts an effect and exits, so it is no program to run: sudo systemctl enable "
                       "--now lampshow (beside airguard, or none) starts it now and at boot\n",
                       stderr);
            return kExitRefused;
        }
        if (!known(name)) {
            std::fprintf(stderr, "hatkit: '%s' is not a board program: sysglance, airguard, heatglow, or none alone\n",
                         name.c_str());
            return kExitRefused;
        }
        if (std::find(chosen.begin(), chosen.end(), name) == chosen.end()) chosen.push_back(name);
    }
    const std::string conflict = conflictOf(chosen);
    if (!conflict.empty()) {
        std::fprintf(stderr, "hatkit: refused: %s; sysglance runs alone (airguard and heatglow may run together)\n",
                     conflict.c_str());
        return kExitRefused;
    }
    std::vector<std::string> stop = {"disable", "--now"};
    std::vector<std::string> start = {"enable", "--now"};
    for (const char* name : kBoardUnitNames) (chose(chosen, name) ? start : stop).push_back(std::string(name) + ".service");
    // lampshow's effect would fight the LEDs of sysglance or heatglow.
    if (chose(chosen, "sysglance") || chose(chosen, "heatglow")) stop.push_back("lampshow.service");
    if (!systemdRuns()) {
        std::fputs("hatkit: systemd does not run here, so there are no units to switch; start the program by hand\n",
                   stderr);
        return kExitCannotWrite;
    }
    int status = runSystemctl(stop, nullptr);
    if (status == 0 && start.size() > 2) status = runSystemctl(start, nullptr);
    if (status != 0) {
        std::fprintf(stderr, "hatkit: systemctl failed (status %d)", status);
        if (geteuid() != 0) {
            std::fputs("; as root: sudo hatkit use", stderr);
            for (const std::string& name : programs) std::fprintf(stderr, " %s", name.c_str());
        }
        std::fputs("\n", stderr);
        return kExitCannotWrite;
    }
    if (chosen.empty()) {
        std::puts("no board program runs now, nor at boot");
    } else {
        std::string names;
        for (const std::string& name : chosen) names += (names.empty() ? "" : " and ") + name;
        std::printf("%s %s now and at boot\n", names.c_str(), chosen.size() == 1 ? "runs" : "run");
    }
    return 0;
}
