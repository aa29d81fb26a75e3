// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "apps/fan_control.h"
#include "apps/metrics.h"
#include "apps/heatglow/heat_bands.h"

namespace {

TEST(FanThermostat, ThresholdsAreInclusiveWithADeadBandBetween)
{
    constexpr FanThresholds airguard = {50.0, 45.0};
    EXPECT_EQ(fanCommandFor(45.0, airguard), FanCommand::off);
    EXPECT_EQ(fanCommandFor(0.0, airguard), FanCommand::off);
    EXPECT_EQ(fanCommandFor(-40.0, airguard), FanCommand::off);
    EXPECT_EQ(fanCommandFor(45.001, airguard), FanCommand::none);
    EXPECT_EQ(fanCommandFor(47.5, airguard), FanCommand::none);
    EXPECT_EQ(fanCommandFor(49.999, airguard), FanCommand::none);
    EXPECT_EQ(fanCommandFor(50.0, airguard), FanCommand::on);
    EXPECT_EQ(fanCommandFor(2147483.647, airguard), FanCommand::on);
    HatkitSettings settings;
    EXPECT_EQ(thresholdsInForce(settings, airguard).onAt, 50.0);
    settings.fanThresholdsSet = true;
    settings.fanThresholds = {60.0, 55.5};
    EXPECT_EQ(thresholdsInForce(settings, airguard).offAt, 55.5);
}

struct BandCase {
    double t;
    double value;
    int red, green, blue;
};

TEST(HeatBands, EachBandTopIsInclusive)
{
    const BandCase cases[] = {
        {-5, 45, 0, 0, 255},   {45, 45, 0, 0, 255},       {46.2, 47, 30, 144, 255}, {49, 49, 0, 191, 255},
        {50, 51, 95, 158, 160}, {53, 53, 255, 255, 0},    {54, 55, 255, 215, 0},    {57, 57, 255, 165, 0},
        {58.5, 59, 255, 140, 0}, {61, 61, 255, 69, 0},    {63, 63, 255, 0, 0},      {99, 63, 255, 0, 0},
    };
    for (const BandCase& c : cases) {
        HeatBand band{};
        ASSERT_TRUE(heatBandFor(c.t, &band)) << c.t;
        EXPECT_EQ(band.value, c.value) << c.t;
        EXPECT_EQ(band.red, c.red) << c.t;
        EXPECT_EQ(band.green, c.green) << c.t;
        EXPECT_EQ(band.blue, c.blue) << c.t;
        EXPECT_EQ(band.index, static_cast<int>(c.value - 45) / 2) << c.t;
    }
}

TEST(HeatBands, GapAboveSixtyOneMatchesNothing)
{
    HeatBand band{};
    EXPECT_FALSE(heatBandFor(61.01, &band));
    EXPECT_FALSE(heatBandFor(62.0, &band));
    EXPECT_FALSE(heatBandFor(62.999, &band));
}

TEST(HeatBands, ChangeTestTruncatesTowardZero)
{
    EXPECT_TRUE(bandMayChange(44.0, 0.0));
    EXPECT_FALSE(bandMayChange(44.5, 45.0));
    EXPECT_TRUE(bandMayChange(44.0, 45.0));
    EXPECT_FALSE(bandMayChange(45.9, 45.0));
    EXPECT_TRUE(bandMayChange(46.2, 45.0));
    EXPECT_FALSE(bandMayChange(0.999, 0.0));
    EXPECT_FALSE(bandMayChange(-0.999, 0.0));
    EXPECT_TRUE(bandMayChange(-1.0, 0.0));
    // Readings far outside any real range still compare safely.
    EXPECT_TRUE(bandMayChange(2147483.647, 45.0));
    EXPECT_TRUE(bandMayChange(-2147483.648, 63.0));
}

// A file too long for its buffer is refused, not cut short.
TEST(Metrics, TextThatDoesNotFitIsRefused)
{
    MetricsValues values;
    values.program = "airguard";
    char text[4096];
    const int length = renderMetrics(values, text, sizeof text);
    ASSERT_GT(length, 0);
    EXPECT_EQ(text[length - 1], '\n');
    EXPECT_EQ(renderMetrics(values, text, static_cast<std::size_t>(length)), -1);
}

}  // namespace
