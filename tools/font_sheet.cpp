// SPDX-License-Identifier: MIT
// Renders the OLED glyph table as one magnified PNG: 16 rows of 16 codes,
// each glyph in its 6 x 8 character cell, cells framed in grey.
//   font_sheet OUTPUT.png
#include <cstdio>

#include "hatsim/png_image.h"
#include "oled/ssd1306_font.h"

namespace {

constexpr int kScale = 4;
constexpr int kGap = 2;
constexpr int kCellWidth = 6 * kScale + kGap;
constexpr int kCellHeight = 8 * kScale + kGap;
constexpr int kWidth = 16 * kCellWidth + kGap;
constexpr int kHeight = 16 * kCellHeight + kGap;

void paintRow(int y, uint8_t* row, void*)
{
    const int cellY = (y - kGap) / kCellHeight;
    const int insideY = (y - kGap) % kCellHeight;
    for (int x = 0; x < kWidth; ++x) {
        const int cellX = (x - kGap) / kCellWidth;
        const int insideX = (x - kGap) % kCellWidth;
        if (x < kGap || y < kGap || insideX >= 6 * kScale || insideY >= 8 * kScale) {
            row[x] = 0x50;  // frame
            continue;
        }
        const int code = cellY * 16 + cellX;
        const int column = insideX / kScale;
        const int bit = insideY / kScale;
        const bool lit = code < kGlyphCount && column < kGlyphColumns &&
                         ((font[code * kGlyphColumns + column] >> bit) & 1) != 0;
        row[x] = lit ? 0xFF : 0x00;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    if (!hatsim::writeGreyPng(argv[1], kWidth, kHeight, paintRow, nullptr)) {
        std::fprintf(stderr, "font_sheet: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
