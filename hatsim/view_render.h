// SPDX-License-Identifier: MIT
// Draws the live view's picture into a text buffer: the panel, the fan, the
// three LEDs, the light effect and the virtual time. No terminal I/O here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hatsim/board_controller.h"

namespace hatsim {

enum class PanelStyle { halfBlocks, braille };  // 1 x 2 or 2 x 4 pixels a cell

struct ViewInput {
    bool (*pixel)(int x, int y);  // what the panel shows
    BoardState board;
    int64_t virtualMs = 0;
    bool hasTemperature = false;
    double temperature = 0;
    const char* title = "";
    PanelStyle style = PanelStyle::braille;
    bool trueColour = false;
};

// Lines the picture takes for a style.
int viewHeight(PanelStyle style);
// Columns the picture needs for a style.
int viewWidth(PanelStyle style);

// The picture as lines, each ended by "erase to end of line" and a line
// end; returns the bytes written (the buffer is never overrun).
std::size_t renderView(const ViewInput& input, char* out, std::size_t size);

// The light effect colour numbers as the board's controller shows them.
void effectColour(int number, uint8_t* red, uint8_t* green, uint8_t* blue);

}  // namespace hatsim
