// SPDX-License-Identifier: MIT
// heatglow's colour bands, from blue when cool to red when hot.
#pragma once

struct HeatBand {
    double value;  // the band's temperature, remembered as the last band value
    int red, green, blue;
    int index = 0;  // 0 the coolest band, 9 the red one
};

// The band of t, searched from the coolest; false in the gap above 61 °C
// and below 63 °C, where no band matches.
bool heatBandFor(double t, HeatBand* band);

// True when t lies 1.0 °C or more from the last band value, i.e. when
// (t - last) truncated toward zero to a 32-bit integer is not 0.
bool bandMayChange(double t, double lastBandValue);
