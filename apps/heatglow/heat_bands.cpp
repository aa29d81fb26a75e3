// SPDX-License-Identifier: MIT
#include "apps/heatglow/heat_bands.h"

#include <cmath>

namespace {

// Searched top to bottom, "t <= limit", first match wins.
constexpr HeatBand kBands[] = {
    {45, 0, 0, 255},    {47, 30, 144, 255}, {49, 0, 191, 255}, {51, 95, 158, 160}, {53, 255, 255, 0},
    {55, 255, 215, 0},  {57, 255, 165, 0},  {59, 255, 140, 0}, {61, 255, 69, 0},
};
constexpr HeatBand kRedBand = {63, 255, 0, 0};  // t >= 63

}  // namespace

bool heatBandFor(double t, HeatBand* band)
{
    int index = 0;
    for (const HeatBand& candidate : kBands) {
        if (t <= candidate.value) {
            *band = candidate;
            band->index = index;
            return true;
        }
        ++index;
    }
    if (t >= kRedBand.value) {
        *band = kRedBand;
        band->index = index;
        return true;
    }
    return false;
}

bool bandMayChange(double t, double lastBandValue)
{
    // |d| < 1 truncates to 0; anything else is nonzero, however large, so the
    // conversion to an integer (undefined when out of range) is never needed.
    return !(std::fabs(t - lastBandValue) < 1.0);
}
