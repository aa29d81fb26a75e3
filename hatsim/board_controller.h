// SPDX-License-Identifier: MIT
// The add-on board's controller at 0x0D: LED levels, light effects and fan,
// driven by single-byte register writes (two-byte transfers).
#pragma once

#include <cstdint>

namespace hatsim {

constexpr int kBoardControllerAddress = 0x0D;
constexpr int kFanUnknown = -1;  // never written since power-on

struct BoardState {
    int select = 0xFF;          // last value of register 0
    uint8_t level[3][3] = {};   // [led][red, green, blue]
    bool effectRunning = false;
    int effect = 0;
    int effectSpeed = 0;
    int effectColour = 0;
    int fan = kFanUnknown;      // 0 off, 1 on
};

void boardControllerWrite(int reg, int value);
// A whole transaction: a register write, or a warning for any other length.
void boardControllerTransfer(const uint8_t* bytes, int count);
const BoardState& boardControllerState();
void resetBoardController();

}  // namespace hatsim
