// SPDX-License-Identifier: MIT
#include "apps/sysglance/panel_care.h"

namespace {

constexpr uint32_t kMsPerMinute = 60 * 1000;
constexpr int kWidth = 128;
constexpr int kCells = 128 * 4;
constexpr double kFullContrastMsPerHour = 255.0 * 3600.0 * 1000.0;

}  // namespace

OrbitOffset orbitOffset(int step)
{
    step %= kOrbitSteps;
    if (step < 0) step += kOrbitSteps;
    OrbitOffset offset;
    offset.dy = step / kOrbitColumns;
    offset.dx = offset.dy == 0 ? step : kOrbitSteps - 1 - step;
    return offset;
}

OrbitOffset fitOffset(OrbitOffset wanted, int roomRight, int roomBelow)
{
    OrbitOffset fitted = wanted;
    if (fitted.dx > roomRight) fitted.dx = roomRight;
    if (fitted.dy > roomBelow) fitted.dy = roomBelow;
    if (fitted.dx < 0) fitted.dx = 0;
    if (fitted.dy < 0) fitted.dy = 0;
    return fitted;
}

bool advanceOrbit(PanelCare* care, const HatkitSettings& settings, uint32_t passMs)
{
    if (!settings.displayOrbit) {
        const bool moved = care->orbitStep != 0;
        care->orbitStep = 0;
        care->msInStep = 0;
        return moved;
    }
    care->msInStep += passMs;
    if (care->msInStep < kOrbitStepMs) return false;
    care->msInStep = 0;
    care->orbitStep = (care->orbitStep + 1) % kOrbitSteps;
    return true;
}

void noteLook(PanelCare* care, bool worthALook, uint32_t passMs)
{
    if (worthALook) {
        care->msSinceLook = 0;
    } else if (care->msSinceLook <= UINT32_MAX - passMs) {
        care->msSinceLook += passMs;
    }
}

PanelLevel levelFor(const PanelCare& care, const HatkitSettings& settings)
{
    const uint32_t since = care.msSinceLook;
    if (settings.screenTimeoutMinutes > 0 && since >= static_cast<uint32_t>(settings.screenTimeoutMinutes) * kMsPerMinute) {
        return PanelLevel::asleep;
    }
    if (settings.dimAfterMinutes > 0 && since >= static_cast<uint32_t>(settings.dimAfterMinutes) * kMsPerMinute) {
        return PanelLevel::dim;
    }
    return PanelLevel::bright;
}

void addWear(PanelWear* wear, const int32_t* cells, int contrast, uint32_t ms)
{
    const uint64_t dose = static_cast<uint64_t>(contrast & 0xFF) * ms;
    if (dose == 0) return;
    for (int cell = 0; cell < kCells; ++cell) {
        const unsigned bits = static_cast<unsigned>(cells[cell]) & 0xFFU;
        if (bits == 0) continue;
        const int x = cell % kWidth;
        const int page = cell / kWidth;
        for (int bit = 0; bit < 8; ++bit) {
            if ((bits >> bit & 1U) == 0) continue;
            uint64_t& pixel = wear->weighted[(page * 8 + bit) * kWidth + x];
            pixel += dose;
            if (pixel > wear->peak) wear->peak = pixel;
        }
    }
}

double peakPixelHours(const PanelWear& wear) { return static_cast<double>(wear.peak) / kFullContrastMsPerHour; }
