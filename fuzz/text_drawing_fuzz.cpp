// SPDX-License-Identifier: MIT
// Text drawing with arbitrary positions, sizes, colours and bytes: every
// write stays inside the 512 cells and every glyph read inside the table
// (AddressSanitizer guards both arrays).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "oled/ssd1306_i2c.h"
#include "oled/ssd1306_state.h"

namespace {

int32_t take(const uint8_t*& data, size_t& size)
{
    int32_t value = 0;
    const size_t n = size < sizeof value ? size : sizeof value;
    std::memcpy(&value, data, n);
    data += n;
    size -= n;
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ssd1306_clearDisplay();
    const int32_t x = take(data, size);
    const int32_t y = take(data, size);
    const int32_t textSize = take(data, size);
    const int32_t colour = take(data, size);
    // Large sizes are valid, but each lit pixel is then a rectangle of up
    // to the whole panel; keep a run fast by folding most of them small.
    ssd1306_setTextSize(textSize % 4096);
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    ssd1306_drawText(x, y, text.data());
    ssd1306::cursor_x = x;
    ssd1306::cursor_y = y;
    ssd1306_drawString(text.data());
    for (size_t i = 0; i < size && i < 8; ++i) ssd1306_drawChar(static_cast<int>(static_cast<int64_t>(x) + static_cast<int64_t>(i)), y, data[i], colour, textSize);
    ssd1306_fillRect(x, y, textSize, colour, 2);
    ssd1306_drawFastVLine(x, y, textSize, colour);
    ssd1306_drawFastHLine(x, y, textSize, colour);
    ssd1306_setTextSize(1);
    return 0;
}
