// SPDX-License-Identifier: MIT
// Writes 8-bit grey PNG images, atomically (through a temporary file and a
// rename, so a reader never sees half a picture).
#pragma once

#include <cstdint>

namespace hatsim {

// Fills one row (width bytes, 0 black to 255 white) of the image.
using RowPainter = void (*)(int y, uint8_t* row, void* context);

bool writeGreyPng(const char* path, int width, int height, RowPainter paint, void* context);

}  // namespace hatsim
