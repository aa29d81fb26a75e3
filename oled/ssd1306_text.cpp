// SPDX-License-Identifier: MIT
// Text: glyphs from the font table drawn through the primitives, at a
// position or at the text cursor, with wrapping and magnification.
#include <cstdint>
#include <cstring>

#include "oled/ssd1306_font.h"
#include "oled/ssd1306_i2c.h"
#include "oled/ssd1306_state.h"

using namespace ssd1306;

namespace {

constexpr int kCellWidth = 6;
constexpr int kCellHeight = 8;

int32_t saturate(int64_t value)
{
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

// One character at a cursor: line end, ignored carriage return, or a glyph
// followed by the advance and the wrap test.
void putCharacter(int32_t* x, int32_t* y, int c)
{
    const int64_t size = textsize;
    if (c == '\n') {
        *y = saturate(*y + size * kCellHeight);
        *x = 0;
        return;
    }
    if (c == '\r') return;
    ssd1306_drawChar(*x, *y, c & 0xFF, 1, textsize);
    *x = saturate(*x + size * kCellWidth);
    if (wrap != 0 && *x > kWidth - size * kCellWidth) {
        *y = saturate(*y + size * kCellHeight);
        *x = 0;
    }
}

}  // namespace

void ssd1306_setTextSize(int size) { textsize = size < 1 ? 1 : size; }

void ssd1306_drawChar(int x, int y, int c, int color, int size)
{
    const int64_t left = x;
    const int64_t top = y;
    const int64_t scale = size;
    if (left >= kWidth || top >= kHeight || left + kCellWidth * scale <= 0 || top + kCellHeight * scale <= 0) return;
    if (scale <= 0) return;  // blocks without area

    const int code = c & 0xFF;
    for (int i = 0; i < kGlyphColumns; ++i) {  // the sixth column is always blank
        // Code 255 has no glyph in the table: it draws nothing.
        const unsigned column = code < kGlyphCount ? font[code * kGlyphColumns + i] : 0;
        for (int j = 0; j < 8; ++j) {
            if ((column & (1u << j)) == 0) continue;
            if (scale == 1) {
                ssd1306_drawPixel(x + i, y + j, color);
                continue;
            }
            const int64_t blockX = left + i * scale;
            const int64_t blockY = top + j * scale;
            if (blockX >= kWidth || blockY >= kHeight) continue;  // off the panel: nothing to fill
            ssd1306_fillRect(static_cast<int>(blockX), static_cast<int>(blockY), size, size, color);
        }
    }
}

void ssd1306_write(int c) { putCharacter(&cursor_x, &cursor_y, c); }

void ssd1306_drawString(const char* str)
{
    if (str == nullptr) return;
    const std::size_t length = std::strlen(str);
    for (std::size_t i = 0; i < length; ++i) ssd1306_write(static_cast<unsigned char>(str[i]));
}

void ssd1306_drawText(int x, int y, const char* str)
{
    if (str == nullptr) return;
    int32_t localX = x;
    int32_t localY = y;
    const std::size_t length = std::strlen(str);
    for (std::size_t i = 0; i < length; ++i) putCharacter(&localX, &localY, static_cast<unsigned char>(str[i]));
}
