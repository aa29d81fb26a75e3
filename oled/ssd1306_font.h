// SPDX-License-Identifier: MIT
// The glyph table: 255 glyphs (codes 0 to 254) of 5 column bytes each,
// bit 0 the top row. Code 255 has no glyph.
#pragma once

constexpr int kGlyphColumns = 5;
constexpr int kGlyphCount = 255;
constexpr int kFontBytes = kGlyphColumns * kGlyphCount;

extern const unsigned char font[kFontBytes];
