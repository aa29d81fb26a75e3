// SPDX-License-Identifier: MIT
// The driver's module state, shared by its link, drawing and text parts
// (and read by tests). Plain 32-bit integers throughout.
#pragma once

#include <cstdint>

#include "platform/bus_transfer.h"

namespace ssd1306 {

constexpr int kWidth = 128;
constexpr int kHeight = 32;
constexpr int kPages = kHeight / 8;
constexpr int kBufferCells = kWidth * kPages;

extern int32_t i2cd;       // the panel link
extern int32_t _vccstate;  // supply mode given to ssd1306_begin
// One 8-pixel column byte per cell: pixel (x, y) is cell x + (y / 8) * 128,
// bit y % 8. Only the low 8 bits reach the panel.
extern int32_t buffer[kBufferCells];
extern int32_t cursor_x;
extern int32_t cursor_y;
extern int32_t textsize;
extern int32_t wrap;
// Every transaction sent to the panel, and those it did not acknowledge.
extern BusTally panelWrites;

}  // namespace ssd1306
