// SPDX-License-Identifier: MIT
// Text: the glyph table, cursor and wrap rules, line ends, magnification.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "oled/ssd1306_font.h"
#include "oled/ssd1306_i2c.h"
#include "oled/ssd1306_state.h"

namespace {

using ssd1306::buffer;

std::vector<int> glyph(int code) { return std::vector<int>(font + code * 5, font + code * 5 + 5); }
std::vector<int> cells(int first, int count) { return std::vector<int>(buffer + first, buffer + first + count); }
bool pixel(int x, int y) { return (buffer[x + (y / 8) * 128] >> (y % 8)) & 1; }
int litPixels()
{
    int n = 0;
    for (int x = 0; x < 128; ++x)
        for (int y = 0; y < 32; ++y) n += pixel(x, y);
    return n;
}

class Ssd1306Text : public ::testing::Test {
protected:
    void SetUp() override
    {
        ssd1306_setTextSize(1);
        ssd1306_clearDisplay();
    }
    void TearDown() override { ssd1306_setTextSize(1); }
};

TEST(Font, FixedRowsAreExact)
{
    const struct {
        int code;
        std::vector<int> columns;
    } rows[] = {
        {0x20, {0x00, 0x00, 0x00, 0x00, 0x00}}, {0x25, {0x23, 0x13, 0x08, 0x64, 0x62}},
        {0x2D, {0x08, 0x08, 0x08, 0x08, 0x08}}, {0x2E, {0x00, 0x00, 0x60, 0x60, 0x00}},
        {0x2F, {0x20, 0x10, 0x08, 0x04, 0x02}}, {0x30, {0x3E, 0x51, 0x49, 0x45, 0x3E}},
        {0x31, {0x00, 0x42, 0x7F, 0x40, 0x00}}, {0x3A, {0x00, 0x00, 0x14, 0x00, 0x00}},
        {0x41, {0x7C, 0x12, 0x11, 0x12, 0x7C}}, {0x43, {0x3E, 0x41, 0x41, 0x41, 0x22}},
        {0x4D, {0x7F, 0x02, 0x1C, 0x02, 0x7F}}, {0x67, {0x18, 0xA4, 0xA4, 0x9C, 0x78}},
    };
    for (const auto& row : rows) EXPECT_EQ(glyph(row.code), row.columns) << std::hex << row.code;
}

TEST(Font, ArrangementFollowsCodePage437WithTheDarkShadeMissing)
{
    EXPECT_EQ(glyph(0x00), std::vector<int>(5, 0));
    EXPECT_EQ(glyph(0xB2), (std::vector<int>{0, 0, 0xFF, 0, 0}));  // single vertical box line
    EXPECT_EQ(glyph(0xDA), std::vector<int>(5, 0xFF));             // full block
    EXPECT_EQ(glyph(0xFE), std::vector<int>(5, 0));                // no-break space
    int squareLit = 0;
    for (int column : glyph(0xFD)) squareLit += __builtin_popcount(column);
    EXPECT_GE(squareLit, 9);  // filled square
    // Every printable ASCII character but the space has a picture, and
    // descenders are the only glyphs of that range using the bottom row.
    for (int code = 0x21; code <= 0x7E; ++code) {
        int lit = 0, bottom = 0;
        for (int column : glyph(code)) lit += column != 0, bottom |= column & 0x80;
        EXPECT_GT(lit, 0) << static_cast<char>(code);
        const bool descender = std::string("gjpqy,_").find(static_cast<char>(code)) != std::string::npos;
        EXPECT_EQ(bottom != 0, descender) << static_cast<char>(code);
    }
}

TEST_F(Ssd1306Text, DrawTextPutsGlyphColumnsIntoCells)
{
    ssd1306_drawText(0, 0, ":");
    EXPECT_EQ(cells(0, 6), (std::vector<int>{0, 0, 0x14, 0, 0, 0}));
    ssd1306_clearDisplay();
    ssd1306_drawText(0, 0, "A");
    EXPECT_EQ(cells(0, 6), (std::vector<int>{0x7C, 0x12, 0x11, 0x12, 0x7C, 0}));
    ssd1306_clearDisplay();
    ssd1306_drawText(0, 8, "0");
    EXPECT_EQ(cells(128, 5), glyph('0'));
}

TEST_F(Ssd1306Text, DrawTextLineEndReturnsToColumnZeroAndKeepsTheCursor)
{
    ssd1306::cursor_x = 17;
    ssd1306::cursor_y = 3;
    ssd1306_drawText(60, 0, "ab\nde");
    EXPECT_EQ(cells(60, 5), glyph('a'));
    EXPECT_EQ(cells(66, 5), glyph('b'));
    EXPECT_EQ(cells(128, 5), glyph('d'));
    EXPECT_EQ(cells(134, 5), glyph('e'));
    EXPECT_EQ(ssd1306::cursor_x, 17);
    EXPECT_EQ(ssd1306::cursor_y, 3);
    ssd1306_clearDisplay();
    ssd1306_drawText(0, 0, "a\rb");
    EXPECT_EQ(cells(6, 5), glyph('b'));
}

TEST_F(Ssd1306Text, WrapsBeforeACharacterThatWouldNotFit)
{
    ssd1306_drawText(0, 0, "ABCDEFGHIJKLMNOPQRSTUV");  // 22 characters
    EXPECT_EQ(cells(120, 5), glyph('U'));
    EXPECT_EQ(buffer[126], 0);
    EXPECT_EQ(buffer[127], 0);
    EXPECT_EQ(cells(128, 5), glyph('V'));
    ssd1306_clearDisplay();
    ssd1306_drawText(56, 0, "Temp:47.2C");  // ends at x = 116, no wrap
    EXPECT_EQ(cells(110, 5), glyph('C'));
    ssd1306_drawText(2, 8, "ABCDEFGHIJKLMNOPQRSTU");  // the last lands at x = 122 and still fits
    EXPECT_EQ(cells(128 + 122, 5), glyph('U'));
    for (int i = 256; i < 512; ++i) ASSERT_EQ(buffer[i], 0);
}

TEST_F(Ssd1306Text, WriteMovesTheCursor)
{
    ssd1306_drawString("ab");
    EXPECT_EQ(ssd1306::cursor_x, 12);
    EXPECT_EQ(ssd1306::cursor_y, 0);
    ssd1306_write('\n');
    EXPECT_EQ(ssd1306::cursor_x, 0);
    EXPECT_EQ(ssd1306::cursor_y, 8);
    ssd1306_write('\r');
    ssd1306_drawString("");
    EXPECT_EQ(ssd1306::cursor_x, 0);
    EXPECT_EQ(ssd1306::cursor_y, 8);
    ssd1306_write(266);  // not a line end: the glyph of code 10
    EXPECT_EQ(ssd1306::cursor_x, 6);
    EXPECT_EQ(ssd1306::cursor_y, 8);
    EXPECT_EQ(cells(128, 5), glyph(10));
    ssd1306_clearDisplay();  // puts the cursor home
    EXPECT_EQ(ssd1306::cursor_x, 0);
    EXPECT_EQ(ssd1306::cursor_y, 0);
}

TEST_F(Ssd1306Text, CursorPastTheBottomDrawsNothingMore)
{
    for (int i = 0; i < 200; ++i) ssd1306_write('#');
    const int lit = litPixels();
    EXPECT_GT(ssd1306::cursor_y, 31);
    ssd1306_drawString("more text");
    EXPECT_EQ(litPixels(), lit);
}

TEST_F(Ssd1306Text, MagnificationScalesBlocksAdvanceAndLineEnd)
{
    ssd1306_setTextSize(2);
    ssd1306_drawString("1");
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 8; ++j) {
            const bool on = (font['1' * 5 + i] >> j) & 1;
            for (int dx = 0; dx < 2; ++dx)
                for (int dy = 0; dy < 2; ++dy) EXPECT_EQ(pixel(2 * i + dx, 2 * j + dy), on) << i << "," << j;
        }
    }
    EXPECT_EQ(ssd1306::cursor_x, 12);
    ssd1306_write('\n');
    EXPECT_EQ(ssd1306::cursor_y, 16);
    ssd1306_clearDisplay();
    ssd1306_drawText(0, 0, "ABCDEFGHIJK");  // ten fit at size 2
    EXPECT_TRUE(pixel(0, 16) && pixel(1, 17));  // 'K' starts the second line
    EXPECT_FALSE(pixel(120, 0));
}

TEST_F(Ssd1306Text, TextSizeNeverBelowOne)
{
    ssd1306_setTextSize(0);
    EXPECT_EQ(ssd1306::textsize, 1);
    ssd1306_setTextSize(-3);
    EXPECT_EQ(ssd1306::textsize, 1);
    ssd1306_setTextSize(3);
    EXPECT_EQ(ssd1306::textsize, 3);
}

TEST_F(Ssd1306Text, GlyphsPartlyOffThePanelAreClipped)
{
    ssd1306_drawChar(-4, 0, 'A', 1, 1);
    EXPECT_EQ(cells(0, 2), (std::vector<int>{0x7C, 0}));
    ssd1306_clearDisplay();
    for (auto [x, y] : {std::pair{-5, 0}, {-6, 0}, {0, -8}, {128, 0}, {0, 32}}) ssd1306_drawChar(x, y, 'A', 1, 1);
    ssd1306_drawChar(0, 0, 'A', 1, 0);
    ssd1306_drawChar(0, 0, 'A', 1, -2);
    ssd1306_drawChar(0, 0, 255, 1, 1);
    EXPECT_EQ(litPixels(), 0);
    ssd1306_drawChar(0, -7, 'M', 1, 1);  // only the glyph's bottom row lands: 'M' leaves it empty
    EXPECT_EQ(litPixels(), 0);
}

TEST_F(Ssd1306Text, HighBytesDrawTheirOwnGlyphs)
{
    ssd1306_drawText(0, 0, "\x80\xDA\xFE");
    EXPECT_EQ(cells(0, 5), glyph(0x80));
    EXPECT_EQ(cells(6, 5), glyph(0xDA));
    EXPECT_EQ(cells(12, 5), glyph(0xFE));
    ssd1306_clearDisplay();
    ssd1306_drawChar(0, 0, -1, 1, 1);  // taken as 255
    ssd1306_drawChar(0, 0, 0x141, 1, 1);  // taken as 0x41
    EXPECT_EQ(cells(0, 5), glyph('A'));
}

TEST_F(Ssd1306Text, HugeSizesAndPositionsStayInsideTheBuffer)
{
    ssd1306_drawChar(-100, -100, 0xDA, 1, INT32_MAX);
    EXPECT_EQ(litPixels(), 128 * 32);
    ssd1306_clearDisplay();
    ssd1306_setTextSize(INT32_MAX);
    ssd1306_drawString("AB\nC");
    ssd1306_drawText(INT32_MAX, INT32_MAX, "xyz");
    ssd1306_drawText(INT32_MIN, INT32_MIN, "xyz\n\n");
    SUCCEED();
}

}  // namespace
