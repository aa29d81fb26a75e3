// SPDX-License-Identifier: MIT
// The board programs as the bridge sees them: their state files in
// /run/hatkit/PROGRAM/state, whether each is fresh (written in the last 30 seconds), and
// the messages Home Assistant gets from them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/system_files.h"

constexpr int kPrograms = 3;
// In the order that picks the one whose state leads when two run.
extern const char* const kProgramNames[kPrograms];
constexpr int64_t kFreshSeconds = 30;

struct ProgramState {
    bool present = false;
    FileStamp stamp;
    std::vector<std::pair<std::string, std::string>> fields;  // as the file holds them
};

// /run/hatkit/PROGRAM and /run/hatkit/PROGRAM/state.
void stateFolder(int program, char* out, std::size_t size);
void statePath(int program, char* out, std::size_t size);

// Reads the files that changed since the last look. True when any did
// (appeared, was written again, went away). A file that does not parse
// counts as missing.
bool lookAtStates(ProgramState states[kPrograms]);

// Written no longer than 30 seconds before `nowNs` (the wall clock).
bool isFresh(const ProgramState& state, int64_t nowNs);
// The wall-clock time after which the state is no longer fresh.
int64_t staleAtNs(const ProgramState& state);

// The state message: the fields of the first fresh program, then those of
// the other fresh ones that it lacks; numbers and true/false as JSON has
// them. "" when none is fresh.
std::string stateMessage(const ProgramState states[kPrograms], const bool fresh[kPrograms]);

// The LEDs in the JSON light schema, from a state's light and light_colour
// fields: {"state":"OFF"}, or {"state":"ON","color_mode":"rgb","color":{...},
// "effect":...} with the effect null for a fixed colour.
// "brightness" from the state's light_brightness, 255 without it.
std::string lightStateMessage(const std::string& light, const std::string& colour, const std::string& brightness);

// A field's value, or "" when the program does not have it.
std::string fieldOf(const ProgramState& state, const char* key);
