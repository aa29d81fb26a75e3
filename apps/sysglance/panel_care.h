// SPDX-License-Identifier: MIT
// The panel's care against burn-in (hatkit.conf's display_orbit,
// display_dim_after and screen_timeout): where the picture stands in its
// slow orbit, how bright the panel should be by the time since anything
// worth a look, and how long each pixel has been lit. Plain logic: the
// status loop sends what it decides.
#pragma once

#include <cstdint>

#include "apps/common/files/hatkit_conf.h"

// The texts use columns 0 to 118 and, in each 8-row line, rows 0 to 6 (but
// for descenders): the whole picture may move up to 9 columns right and 1
// row down, as far as it fits. The orbit goes right along the top row, then
// back one row lower, a pixel a step: 20 steps of 3 minutes, an hour a round.
constexpr int kOrbitColumns = 10;
constexpr int kOrbitRows = 2;
constexpr int kOrbitSteps = kOrbitColumns * kOrbitRows;
constexpr uint32_t kOrbitStepMs = 3 * 60 * 1000;

struct OrbitOffset {
    int dx = 0;
    int dy = 0;
};
OrbitOffset orbitOffset(int step);
// The offset cut to the columns and rows the texts leave free to their
// right and below them: a text never leaves the panel.
OrbitOffset fitOffset(OrbitOffset wanted, int roomRight, int roomBelow);

enum class PanelLevel { bright, dim, asleep };

struct PanelCare {
    int orbitStep = 0;
    uint32_t msInStep = 0;
    uint32_t msSinceLook = 0;  // since the last thing worth a look
};

// A pass of passMs: the orbit moves on (true when the picture moved; back
// home when display_orbit is off) and the time since a look grows, or
// starts again when something worth a look came.
bool advanceOrbit(PanelCare* care, const HatkitSettings& settings, uint32_t passMs);
void noteLook(PanelCare* care, bool worthALook, uint32_t passMs);

// What the settings ask for after that long without a look.
PanelLevel levelFor(const PanelCare& care, const HatkitSettings& settings);

// Lit time, per pixel, weighted by contrast: what the panel showed (the
// frame buffer's cells, bit y % 8 of cell x + y / 8 * 128) for ms
// milliseconds at that contrast.
struct PanelWear {
    uint64_t weighted[128 * 32] = {};  // contrast x ms
    uint64_t peak = 0;
};
void addWear(PanelWear* wear, const int32_t* cells, int contrast, uint32_t ms);
// The most-lit pixel's hours at full contrast.
double peakPixelHours(const PanelWear& wear);
