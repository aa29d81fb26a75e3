// SPDX-License-Identifier: MIT
// Runs the scenario's actions once the virtual clock reaches them.
#pragma once

#include <cstdint>
#include <string>

namespace hatsim {

// Reads and parses the scenario file. On failure returns false and fills
// `message` with a one-line explanation naming the line.
bool loadScenario(const char* path, std::string* message);
// Runs every action not yet run whose time is at or before nowMs, in file order.
void runDueActions(int64_t nowMs);
void clearScenario();

}  // namespace hatsim
