// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <csignal>

#include <vector>

#include "apps/common/board_program/fan_control.h"
#include "apps/common/board_program/metrics.h"
#include "apps/heatglow/heat_bands.h"
#include "platform/stop_request.h"
#include "board/board_link.h"
#include "tests/support/recording_platform.h"

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

// One record for both programs: sysglance writes a change only, airguard
// every on and off; a switch is a write that changed a written state.
TEST(FanRecord, WritesAsEachProgramAsksAndCountsSwitches)
{
    constexpr FanThresholds pi4 = {55.0, 48.0};
    const struct {
        FanWrites writes;
        std::vector<double> degrees;
        std::vector<int> written;
        FanState last;
        uint64_t switches;
        int metric;
    } cases[] = {
        {FanWrites::changes, {}, {}, FanState::nothingWritten, 0, -1},
        {FanWrites::changes, {50.0}, {}, FanState::nothingWritten, 0, -1},
        {FanWrites::changes, {30.0}, {0}, FanState::off, 0, 0},  // nothing written yet is not off
        {FanWrites::changes, {56.0}, {1}, FanState::on, 0, 1},
        {FanWrites::changes, {56.0, 56.0, 55.0, 50.0, 48.0, 30.0}, {1, 0}, FanState::off, 1, 0},
        {FanWrites::changes, {56.0, 48.0, 56.0}, {1, 0, 1}, FanState::on, 2, 1},
        {FanWrites::every, {56.0, 56.0, 50.0, 48.0, 48.0}, {1, 1, 0, 0}, FanState::off, 1, 0},
        {FanWrites::every, {50.0}, {}, FanState::nothingWritten, 0, -1},
    };
    for (const auto& c : cases) {
        recording::reset();
        FanRecord record;
        for (double t : c.degrees) driveFan(fanCommandFor(t, pi4), c.writes, &record);
        std::vector<int> written;
        for (const BusWrite& w : recording::writes()) {
            EXPECT_EQ(w.reg, 8);
            written.push_back(w.value);
        }
        EXPECT_EQ(written, c.written) << c.degrees.size();
        EXPECT_EQ(record.state, c.last) << c.degrees.size();
        EXPECT_EQ(record.switches, c.switches) << c.degrees.size();
        EXPECT_EQ(fanOnValue(record), c.metric) << c.degrees.size();
        // Written again after lost writes: the state the record holds, or nothing.
        recording::reset();
        writeFanAgain(record);
        const std::vector<BusWrite> again = c.metric < 0 ? std::vector<BusWrite>{} : std::vector<BusWrite>{{fd_i2c, 8, c.metric}};
        EXPECT_EQ(recording::writes(), again);
    }
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
// A wait for nothing ends at once; a SIGHUP that came before the wait,
// while it was held back, still ends it.
TEST(StopRequest, WaitsEndAtOnceWhenDueOrSignalled)
{
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    pollfd fd = {pipeFds[0], POLLIN, 0};
    EXPECT_EQ(waitUnlessStopped(&fd, 1, 0), 0);
    ASSERT_EQ(write(pipeFds[1], "x", 1), 1);
    EXPECT_EQ(waitUnlessStopped(&fd, 1, -1), 1);
    char byte;
    ASSERT_EQ(read(pipeFds[0], &byte, 1), 1);
    sigset_t before;
    sigprocmask(SIG_SETMASK, nullptr, &before);
    struct sigaction noted {};
    struct sigaction old {};
    noted.sa_handler = [](int) {};
    sigaction(SIGHUP, &noted, &old);
    holdSignalsForWaits();
    raise(SIGHUP);  // held back until the wait
    EXPECT_EQ(waitUnlessStopped(&fd, 1, -1), 0);
    sigprocmask(SIG_SETMASK, &before, nullptr);
    sigaction(SIGHUP, &old, nullptr);
    close(pipeFds[0]);
    close(pipeFds[1]);
}

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
