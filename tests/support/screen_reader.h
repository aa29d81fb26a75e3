// SPDX-License-Identifier: MIT
// Reads the emulated panel's picture (a HATSIM_SNAPSHOT PNG) back as text,
// matching each 6 x 8 character cell against the font.
#pragma once

#include <string>

struct Screen {
    bool pixel[32][128] = {};
    bool loaded = false;
    int litPixels() const;
};

Screen loadScreen(const std::string& pngPath);

// The printable ASCII text in the cells from (x, y) up to column endX,
// trailing blanks dropped; '?' for a cell that is no such character.
std::string readText(const Screen& screen, int x, int y, int endX = 128);
