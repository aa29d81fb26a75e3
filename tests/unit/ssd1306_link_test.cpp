// SPDX-License-Identifier: MIT
// The bytes the driver sends: initialisation, commands and the push.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "oled/ssd1306_i2c.h"
#include "oled/ssd1306_state.h"
#include "tests/support/recording_platform.h"

namespace {

constexpr int kPanel = 0x3C;  // the recording platform hands back the address as the handle

std::vector<int> commandBytes()
{
    std::vector<int> bytes;
    for (const BusWrite& w : recording::writes()) {
        EXPECT_EQ(w.reg, 0x00);
        bytes.push_back(w.value);
    }
    return bytes;
}

class Ssd1306Link : public ::testing::Test {
protected:
    void SetUp() override
    {
        ssd1306_begin(2, kPanel);
        ssd1306_clearDisplay();
        recording::reset();
    }
};

std::vector<int> initialisation(int supply)
{
    recording::reset();
    ssd1306_begin(supply, kPanel);
    EXPECT_EQ(ssd1306::i2cd, kPanel);
    EXPECT_EQ(ssd1306::_vccstate, supply);
    return commandBytes();
}

TEST(Ssd1306Begin, SendsTheInitialisationForEachSupplyMode)
{
    const std::vector<int> pump = {0xAE, 0xD5, 0x80, 0xA8, 0x1F, 0xD3, 0x00, 0x40, 0x8D, 0x14, 0x20, 0x00, 0xA1,
                                   0xC8, 0xDA, 0x02, 0x81, 0x8F, 0xD9, 0xF1, 0xDB, 0x40, 0xA4, 0xA6, 0x2E, 0xAF};
    std::vector<int> external = pump;
    external[9] = 0x10;
    external[19] = 0x22;
    EXPECT_EQ(initialisation(2), pump);
    EXPECT_EQ(initialisation(0), pump);
    EXPECT_EQ(initialisation(7), pump);
    EXPECT_EQ(initialisation(1), external);
}

TEST(Ssd1306Begin, FailedOpenPrintsOnceSendsNothingAndLaterPushesStillTry)
{
    recording::reset();
    testing::internal::CaptureStderr();
    ssd1306_begin(2, -5);  // the recording platform returns the address: negative means failure
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "ssd1306_i2c : Unable to initialise I2C:\n");
    EXPECT_TRUE(recording::writes().empty());
    ssd1306_display();
    ASSERT_EQ(recording::writes().size(), 518u);
    EXPECT_EQ(recording::writes()[0].handle, -5);
    ssd1306_begin(2, kPanel);
}

TEST_F(Ssd1306Link, PushSendsTheWindowThenAll512CellsInOrder)
{
    ssd1306::buffer[0] = 0x100;
    ssd1306::buffer[1] = 0x1FF;
    ssd1306::buffer[511] = 0x80;
    ssd1306_display();
    const auto& writes = recording::writes();
    ASSERT_EQ(writes.size(), 518u);
    const int window[] = {0x21, 0x00, 0x7F, 0x22, 0x00, 0x03};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(writes[i], (BusWrite{kPanel, 0x00, window[i]}));
    for (int i = 0; i < 512; ++i) {
        EXPECT_EQ(writes[6 + i].reg, 0x40);
        EXPECT_EQ(writes[6 + i].value, ssd1306::buffer[i]);
    }
}

// The windows displayChanges sends, as {column0, column1, page0, page1},
// after the panel was sent a cleared frame and these cells were changed.
TEST_F(Ssd1306Link, ChangesGoAsTheCheapestWindows)
{
    using Window = std::vector<int>;
    const struct {
        std::vector<int> cells;  // set to value
        int value;
        std::vector<Window> windows;
    } cases[] = {
        {{}, 0x5A, {}},
        {{3}, 0x100, {}},  // only the low 8 bits reach the panel
        {{3}, 0x5A, {{3, 3, 0, 0}}},
        {{3, 14, 484}, 0x5A, {{3, 14, 0, 0}, {100, 100, 3, 3}}},  // 10 cells between: one window
        {{3, 15, 484}, 0x5A, {{3, 3, 0, 0}, {15, 15, 0, 0}, {100, 100, 3, 3}}},  // 11 between: two
        {{130, 131, 258, 259, 386, 387}, 0x5A, {{2, 3, 1, 3}}},  // one window over three pages is cheaper
        {{130, 137, 260, 390}, 0x5A, {{2, 9, 1, 3}}},
        {{0, 5, 484}, 0x5A, {{0, 5, 0, 0}, {100, 100, 3, 3}}},  // than 404 cells over four pages
        {{0, 9, 384, 393}, 0x5A, {{0, 9, 0, 0}, {0, 9, 3, 3}}},  // than 40
        {{0, 511}, 0x5A, {{0, 0, 0, 0}, {127, 127, 3, 3}}},
    };
    for (const auto& c : cases) {
        ssd1306_clearDisplay();
        ssd1306_forgetPanel();
        ssd1306_displayChanges();
        recording::reset();
        for (int cell : c.cells) ssd1306::buffer[cell] = c.value;
        ssd1306_displayChanges();
        const auto& blocks = recording::blocks();
        ASSERT_EQ(blocks.size(), 2 * c.windows.size()) << ::testing::PrintToString(c.cells);
        for (std::size_t i = 0; i < c.windows.size(); ++i) {
            const Window& w = c.windows[i];
            EXPECT_EQ(blocks[2 * i], (std::vector<int>{kPanel, 0x00, 0x21, w[0], w[1], 0x22, w[2], w[3]}));
            std::vector<int> data = {kPanel, 0x40};
            for (int page = w[2]; page <= w[3]; ++page) {
                for (int column = w[0]; column <= w[1]; ++column) data.push_back(ssd1306::buffer[column + page * 128] & 0xFF);
            }
            EXPECT_EQ(blocks[2 * i + 1], data);
        }
        // What went is what the panel is known to show: nothing again.
        recording::reset();
        ssd1306_displayChanges();
        EXPECT_TRUE(recording::blocks().empty()) << ::testing::PrintToString(c.cells);
    }
    // The whole frame when the panel's contents are not known: after a
    // write it did not take, a scroll, a push byte by byte, or when asked.
    void (*const forgetters[])() = {
        [] {
            recording::loseWrites(true);
            ssd1306::buffer[5] ^= 1;
            ssd1306_displayChanges();
            recording::loseWrites(false);
        },
        [] { ssd1306_startscrollright(0, 1); },
        [] { ssd1306_startscrollleft(0, 1); },
        [] { ssd1306_startscrolldiagright(0, 1); },
        [] { ssd1306_startscrolldiagleft(0, 1); },
        ssd1306_display,
        ssd1306_forgetPanel,
    };
    for (auto forget : forgetters) {
        ssd1306_displayChanges();
        forget();
        recording::reset();
        ssd1306_displayChanges();
        ASSERT_EQ(recording::blocks().size(), 2u);
        EXPECT_EQ(recording::blocks()[0], (std::vector<int>{kPanel, 0x00, 0x21, 0, 127, 0x22, 0, 3}));
        EXPECT_EQ(recording::blocks()[1].size(), 2u + 512u);
        recording::reset();
        ssd1306_displayChanges();
        EXPECT_TRUE(recording::blocks().empty());
    }
}

TEST_F(Ssd1306Link, InvertDimAndScrollBytes)
{
    ssd1306_invertDisplay(5);
    ssd1306_invertDisplay(0);
    ssd1306_dim(1);
    ssd1306_dim(0);
    EXPECT_EQ(commandBytes(), (std::vector<int>{0xA7, 0xA6, 0x81, 0x00, 0x81, 0xCF}));

    recording::reset();
    ssd1306_begin(1, kPanel);
    recording::reset();
    ssd1306_dim(0);
    EXPECT_EQ(commandBytes(), (std::vector<int>{0x81, 0x9F}));

    recording::reset();
    ssd1306_startscrollright(1, 2);
    ssd1306_startscrollleft(0, 9);
    ssd1306_startscrolldiagright(3, 4);
    ssd1306_startscrolldiagleft(-1, 300);
    ssd1306_stopscroll();
    EXPECT_EQ(commandBytes(), (std::vector<int>{0x26, 0x00, 1, 0x00, 2, 0x00, 0xFF, 0x2F,                  //
                                                0x27, 0x00, 0, 0x00, 9, 0x00, 0xFF, 0x2F,                  //
                                                0xA3, 0x00, 0x20, 0x29, 0x00, 3, 0x00, 4, 0x01, 0x2F,      //
                                                0xA3, 0x00, 0x20, 0x2A, 0x00, -1, 0x00, 300, 0x01, 0x2F,  //
                                                0x2E}));
}

TEST_F(Ssd1306Link, DrawingNeverTouchesTheBus)
{
    ssd1306_drawPixel(1, 1, 1);
    ssd1306_drawFastHLine(0, 3, 50, 2);
    ssd1306_drawFastVLine(4, 0, 32, 1);
    ssd1306_fillRect(10, 10, 10, 10, 1);
    ssd1306_setTextSize(2);
    ssd1306_drawChar(40, 0, 'x', 1, 3);
    ssd1306_drawString("text");
    ssd1306_drawText(0, 24, "more");
    ssd1306_setTextSize(1);
    EXPECT_TRUE(recording::writes().empty());
    EXPECT_TRUE(recording::pauses().empty());
}

TEST_F(Ssd1306Link, ClearEmptiesTheBufferAndHomesTheCursorOnly)
{
    ssd1306_setTextSize(3);
    ssd1306_drawString("hello");
    ssd1306_clearDisplay();
    for (int32_t cell : ssd1306::buffer) ASSERT_EQ(cell, 0);
    EXPECT_EQ(ssd1306::cursor_x, 0);
    EXPECT_EQ(ssd1306::cursor_y, 0);
    EXPECT_EQ(ssd1306::textsize, 3);
    EXPECT_EQ(ssd1306::wrap, 1);
    EXPECT_TRUE(recording::writes().empty());
    ssd1306_setTextSize(1);
}

}  // namespace
