// SPDX-License-Identifier: MIT
// Drawing primitives: clipping at every edge, the mask tables and colours.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "oled/ssd1306_i2c.h"
#include "oled/ssd1306_state.h"

namespace {

using ssd1306::buffer;

// The memory just past the frame buffer, read raw: a primitive that lets
// row 32 or column 128 through writes there, whatever lies next to the buffer.
// Sanitized builds report such writes themselves (and would report this read).
std::vector<int32_t> pastTheBuffer()
{
#ifdef HATKIT_SANITIZED
    return {};
#else
    const auto* past = reinterpret_cast<const volatile int32_t*>(reinterpret_cast<uintptr_t>(buffer) + sizeof buffer);
    return std::vector<int32_t>(past, past + 16);
#endif
}

class Ssd1306Draw : public ::testing::Test {
protected:
    void SetUp() override
    {
        ssd1306_clearDisplay();
        past_ = pastTheBuffer();
    }
    void TearDown() override { EXPECT_EQ(pastTheBuffer(), past_) << "written past the frame buffer"; }
    std::vector<int32_t> past_;

    static std::vector<int32_t> snapshot() { return std::vector<int32_t>(std::begin(buffer), std::end(buffer)); }
    // Cells that are not 0, as (index, value) pairs.
    static std::vector<std::pair<int, int32_t>> lit()
    {
        std::vector<std::pair<int, int32_t>> cells;
        for (int i = 0; i < ssd1306::kBufferCells; ++i) {
            if (buffer[i] != 0) cells.emplace_back(i, buffer[i]);
        }
        return cells;
    }
    static bool pixel(int x, int y) { return (buffer[x + (y / 8) * 128] >> (y % 8)) & 1; }
};

using Cells = std::vector<std::pair<int, int32_t>>;

TEST_F(Ssd1306Draw, PixelsOutsideThePanelOrWithUnknownColourChangeNothing)
{
    ssd1306_drawPixel(127, 31, 1);
    EXPECT_EQ(lit(), (Cells{{511, 0x80}}));
    for (auto [x, y] : {std::pair{128, 0}, {-1, 0}, {0, 32}, {0, -1}}) ssd1306_drawPixel(x, y, 1);
    ssd1306_drawPixel(5, 9, 3);
    ssd1306_drawPixel(5, 9, -1);
    EXPECT_EQ(lit(), (Cells{{511, 0x80}}));
    ssd1306_drawPixel(127, 31, 0);
    EXPECT_TRUE(lit().empty());
}

TEST_F(Ssd1306Draw, InvertTwiceRestoresTheBuffer)
{
    for (int i = 0; i < ssd1306::kBufferCells; ++i) buffer[i] = (i * 37) & 0xFF;
    const auto before = snapshot();
    for (int round = 0; round < 2; ++round) {
        ssd1306_drawPixel(3, 3, 2);
        ssd1306_drawFastHLine(-4, 9, 200, 2);
        ssd1306_drawFastVLine(7, 2, 27, 2);
        ssd1306_fillRect(10, 5, 30, 20, 2);
    }
    EXPECT_EQ(snapshot(), before);
}

TEST_F(Ssd1306Draw, HorizontalLineClipsAtBothEnds)
{
    ssd1306_drawFastHLine(-5, 0, 10, 1);
    EXPECT_EQ(lit(), (Cells{{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}}));
    ssd1306_clearDisplay();
    ssd1306_drawFastHLine(120, 0, 20, 1);
    EXPECT_EQ(lit().size(), 8u);
    EXPECT_EQ(lit().front().first, 120);
    EXPECT_EQ(lit().back().first, 127);
    ssd1306_clearDisplay();
    ssd1306_drawFastHLine(0, 32, 10, 1);
    ssd1306_drawFastHLine(0, -1, 10, 1);
    ssd1306_drawFastHLine(130, 0, 5, 1);
    ssd1306_drawFastHLine(0, 0, 0, 1);
    ssd1306_drawFastHLine(0, 0, -3, 1);
    ssd1306_drawFastHLine(2, 0, 5, 7);
    ssd1306_drawFastHLine(INT32_MIN, 5, INT32_MAX, 1);
    ssd1306_drawFastHLine(INT32_MAX, 5, INT32_MAX, 1);
    EXPECT_TRUE(lit().empty());
    ssd1306_drawFastHLine(-10, 13, INT32_MAX, 1);
    EXPECT_EQ(lit().size(), 128u);
    EXPECT_EQ(buffer[128], 0x20);
}

TEST_F(Ssd1306Draw, VerticalLineWritesPartialAndWholeBytes)
{
    ssd1306_drawFastVLine(0, 3, 2, 1);
    EXPECT_EQ(lit(), (Cells{{0, 0x18}}));
    ssd1306_clearDisplay();
    ssd1306_drawFastVLine(0, 5, 20, 1);
    EXPECT_EQ(lit(), (Cells{{0, 0xE0}, {128, 0xFF}, {256, 0xFF}, {384, 0x01}}));
    ssd1306_clearDisplay();
    ssd1306_drawFastVLine(0, -4, 10, 1);
    EXPECT_EQ(lit(), (Cells{{0, 0x3F}}));
    ssd1306_clearDisplay();
    ssd1306_drawFastVLine(0, 29, 10, 1);
    EXPECT_EQ(lit(), (Cells{{384, 0xE0}}));
    ssd1306_clearDisplay();
    ssd1306_drawFastVLine(5, 8, 8, 1);  // exactly one whole byte
    EXPECT_EQ(lit(), (Cells{{133, 0xFF}}));
    ssd1306_clearDisplay();
    ssd1306_drawFastVLine(9, 26, 6, 1);  // partial byte ending on the last row
    EXPECT_EQ(lit(), (Cells{{393, 0xFC}}));
}

TEST_F(Ssd1306Draw, VerticalLineOffThePanelChangesNothing)
{
    for (auto [x, y, h] : {std::tuple{-1, 0, 10}, {128, 0, 10}, {0, 32, 4}, {0, -10, 10}, {0, 0, 0}, {0, 5, -2},
                           std::tuple{0, INT32_MIN, INT32_MAX}, {0, INT32_MAX, INT32_MAX}}) {
        ssd1306_drawFastVLine(x, y, h, 1);
    }
    EXPECT_TRUE(lit().empty());
    ssd1306_drawFastVLine(0, INT32_MIN + 5, INT32_MAX, 1);  // from far above down to row 3
    EXPECT_EQ(lit(), (Cells{{0, 0x0F}}));
}

TEST_F(Ssd1306Draw, VerticalLineInvertsWholeCellsAndClearsWithColourZero)
{
    ssd1306_drawFastVLine(0, 0, 16, 2);
    EXPECT_EQ(buffer[0], -1);  // all 32 bits: only the low 8 reach the panel
    EXPECT_EQ(buffer[128], -1);
    ssd1306_drawFastVLine(0, 0, 32, 0);
    EXPECT_TRUE(lit().empty());
}

TEST_F(Ssd1306Draw, UnknownColourLeavesWholeBytesAlone)
{
    ssd1306_fillRect(0, 0, 2, 32, 1);
    const auto before = snapshot();
    ssd1306_drawFastVLine(0, 0, 16, 3);
    ssd1306_drawFastVLine(0, 2, 4, 3);
    ssd1306_drawFastVLine(1, 3, 29, -7);
    EXPECT_EQ(snapshot(), before);
}

TEST_F(Ssd1306Draw, RectangleClipsToThePanel)
{
    ssd1306_fillRect(120, 28, 20, 10, 1);
    for (int x = 0; x < 128; ++x) {
        for (int y = 0; y < 32; ++y) EXPECT_EQ(pixel(x, y), x >= 120 && y >= 28) << x << "," << y;
    }
    ssd1306_clearDisplay();
    ssd1306_fillRect(-3, -3, 6, 6, 1);
    EXPECT_EQ(lit(), (Cells{{0, 0x07}, {1, 0x07}, {2, 0x07}}));
    ssd1306_clearDisplay();
    ssd1306_fillRect(128, 0, 4, 4, 1);
    ssd1306_fillRect(0, 32, 4, 4, 1);
    ssd1306_fillRect(0, 0, 0, 4, 1);
    ssd1306_fillRect(0, 0, 4, 0, 1);
    ssd1306_fillRect(0, 0, 4, 4, 9);
    ssd1306_fillRect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 1);
    EXPECT_TRUE(lit().empty());
    // From far above the panel down to row 8: only the visible rows are walked.
    ssd1306_fillRect(-5, INT32_MIN + 10, 10, INT32_MAX, 1);
    EXPECT_EQ(lit(), (Cells{{0, 0xFF}, {1, 0xFF}, {2, 0xFF}, {3, 0xFF}, {4, 0xFF},  //
                            {128, 1}, {129, 1}, {130, 1}, {131, 1}, {132, 1}}));
}

}  // namespace
