// SPDX-License-Identifier: MIT
// Drawing primitives on the frame buffer, clipped to the panel. Coordinates
// are combined in 64 bits so that no argument can overflow the arithmetic.
#include <cstdint>

#include "oled/ssd1306_i2c.h"
#include "oled/ssd1306_state.h"

using namespace ssd1306;

namespace {

// The bottom k rows of a page, and the top k rows, for the vertical line's
// partial first and last bytes.
constexpr int32_t premask[8] = {0x00, 0x80, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE};
constexpr int32_t postmask[8] = {0x00, 0x01, 0x03, 0x07, 0x0F, 0x1F, 0x3F, 0x7F};

void applyMask(int32_t& cell, int32_t mask, int color)
{
    switch (color) {
    case 0: cell &= ~mask; break;
    case 1: cell |= mask; break;
    case 2: cell ^= mask; break;
    default: break;
    }
}

}  // namespace

void ssd1306_drawPixel(int x, int y, int color)
{
    if (x < 0 || x >= kWidth || y < 0 || y >= kHeight) return;
    applyMask(buffer[x + (y / 8) * kWidth], 1 << (y & 7), color);
}

void ssd1306_drawFastHLine(int x, int y, int w, int color) { ssd1306_drawFastHLineInternal(x, y, w, color); }

void ssd1306_drawFastHLineInternal(int x, int y, int w, int color)
{
    if (y < 0 || y >= kHeight) return;
    int64_t left = x;
    int64_t width = w;
    if (left < 0) {
        width += left;
        left = 0;
    }
    if (left + width > kWidth) width = kWidth - left;
    if (width <= 0) return;
    const int32_t mask = 1 << (y & 7);
    int32_t* cell = &buffer[left + (y / 8) * kWidth];
    for (int64_t i = 0; i < width; ++i) applyMask(cell[i], mask, color);
}

void ssd1306_drawFastVLine(int x, int y, int h, int color) { ssd1306_drawFastVLineInternal(x, y, h, color); }

void ssd1306_drawFastVLineInternal(int x, int y, int h, int color)
{
    if (x < 0 || x >= kWidth) return;
    int64_t top = y;
    int64_t height = h;
    if (top < 0) {
        height += top;
        top = 0;
    }
    if (top + height > kHeight) height = kHeight - top;
    if (height <= 0) return;

    int index = x + static_cast<int>(top / 8) * kWidth;
    const int m = static_cast<int>(top & 7);
    if (m != 0) {
        const int k = 8 - m;  // rows from top to the bottom of its page
        int32_t mask = premask[k];
        if (height < k) mask &= 0xFF >> (k - height);
        applyMask(buffer[index], mask, color);
        if (height < k) return;
        height -= k;
        index += kWidth;
    }
    for (; height >= 8; height -= 8, index += kWidth) {
        // Whole bytes at once; like every other primitive, an unknown
        // colour leaves them alone.
        switch (color) {
        case 0: buffer[index] = 0; break;
        case 1: buffer[index] = 0xFF; break;
        case 2: buffer[index] = ~buffer[index]; break;
        default: break;
        }
    }
    if (height > 0) applyMask(buffer[index], postmask[height], color);
}

void ssd1306_fillRect(int x, int y, int w, int h, int color)
{
    if (x >= kWidth || y >= kHeight) return;
    int64_t height = h;
    int64_t width = w;
    if (y + height > kHeight) height = kHeight - y;
    if (x + width > kWidth) width = kWidth - x;
    // Rows above the panel draw nothing, so start at the first visible one.
    const int64_t first = y < 0 ? -static_cast<int64_t>(y) : 0;
    for (int64_t i = first; i < height; ++i) {
        ssd1306_drawFastHLine(x, static_cast<int>(y + i), static_cast<int>(width), color);
    }
}
