// SPDX-License-Identifier: MIT
// Kernel counters as the scenario sets them: each call answers with the
// host's real figures until its first action, then as scripted.
#pragma once

#include "hatsim/scenario.h"

struct sysinfo;
struct statfs;
struct ifaddrs;

namespace hatsim {

// Applies a sysinfo, statfs or ifaddrs action.
void applyCounterAction(const Action& action);
void resetScriptedCounters();

int scriptedSysinfo(struct sysinfo* info);
int scriptedRootStatfs(struct statfs* info);
int scriptedGetifaddrs(struct ifaddrs** list);
void scriptedFreeifaddrs(struct ifaddrs* list);

}  // namespace hatsim
