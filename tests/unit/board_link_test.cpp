// SPDX-License-Identifier: MIT
#include "board/board_link.h"

#include <gtest/gtest.h>

#include "tests/support/recording_platform.h"

namespace {

class BoardLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        recording::reset();
        fd_i2c = 7;
    }
    static std::vector<BusWrite> expect(std::initializer_list<std::pair<int, int>> regValues)
    {
        std::vector<BusWrite> out;
        for (auto [reg, value] : regValues) out.push_back({7, reg, value});
        return out;
    }
};

TEST_F(BoardLink, ColourOnOneLedSelectsItThenWritesLevelsInOrder)
{
    setRGB(2, 1, 2, 3);
    EXPECT_EQ(recording::writes(), expect({{0, 2}, {1, 1}, {2, 2}, {3, 3}}));
}

TEST_F(BoardLink, AnyLedNumberAboveTwoMeansAllLeds)
{
    setRGB(3, 0, 0, 255);
    setRGB(200, 9, 9, 9);
    EXPECT_EQ(recording::writes(), expect({{0, 0xFF}, {1, 0}, {2, 0}, {3, 255}, {0, 0xFF}, {1, 9}, {2, 9}, {3, 9}}));
}

TEST_F(BoardLink, NegativeLedNumberWritesNothing)
{
    setRGB(-1, 10, 20, 30);
    EXPECT_TRUE(recording::writes().empty());
}

TEST_F(BoardLink, LevelsAreNotRangeChecked)
{
    // Only the low 8 bits reach the bus; that is the bus layer's business.
    setRGB(0, 256, -1, 1000);
    EXPECT_EQ(recording::writes(), expect({{0, 0}, {1, 256}, {2, -1}, {3, 1000}}));
}

TEST_F(BoardLink, EffectSpeedAndColourDropOutOfRangeValues)
{
    for (int v : {-1, 0, 4, 5}) setRGBEffect(v);
    for (int v : {0, 1, 3, 4}) setRGBSpeed(v);
    for (int v : {-1, 0, 6, 7}) setRGBColor(v);
    EXPECT_EQ(recording::writes(), expect({{4, 0}, {4, 4}, {5, 1}, {5, 3}, {6, 0}, {6, 6}}));
}

TEST_F(BoardLink, CloseAndFanAreSingleWritesEveryTime)
{
    closeRGB();
    setFan(true);
    setFan(true);
    setFan(false);
    EXPECT_EQ(recording::writes(), expect({{7, 0}, {8, 1}, {8, 1}, {8, 0}}));
}

TEST_F(BoardLink, WritesGoThroughWhateverHandleIsSet)
{
    fd_i2c = -1;
    setFan(true);
    ASSERT_EQ(recording::writes().size(), 1u);
    EXPECT_EQ(recording::writes()[0].handle, -1);
}

}  // namespace
