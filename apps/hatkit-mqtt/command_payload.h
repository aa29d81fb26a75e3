// SPDX-License-Identifier: MIT
// Home Assistant's command payloads, as they arrive on hatkit/NODE/...:
// fan/set (ON, OFF), fan/preset/set (auto), screen/set (ON, OFF) and
// light/set (the JSON light schema: state, color {r, g, b}, effect).
#pragma once

#include <cstddef>
#include <string>

#include "apps/common/files/commands.h"

enum class CommandTopic { fan, fanPreset, light, screen };

// No payload is longer.
constexpr std::size_t kMaxPayloadBytes = 1024;

// Applies one payload to *commands. False with why (and *commands as it
// was) for anything that is not a valid command.
bool applyCommandPayload(CommandTopic topic, const char* payload, std::size_t length, Commands* commands,
                         std::string* why);
