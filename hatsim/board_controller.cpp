// SPDX-License-Identifier: MIT
#include "hatsim/board_controller.h"

#include "hatsim/trace.h"

namespace hatsim {

namespace {

BoardState state;

void setLevel(int channel, int value)
{
    const auto level = static_cast<uint8_t>(value);
    for (int led = 0; led < 3; ++led) {
        // 0, 1, 2 pick one LED; any other select value means all three.
        if (state.select == led || state.select < 0 || state.select > 2) state.level[led][channel] = level;
    }
    // A colour written by hand replaces whatever effect was running.
    state.effectRunning = false;
}

}  // namespace

void boardControllerWrite(int reg, int value)
{
    value &= 0xFF;
    switch (reg) {
    case 0: state.select = value; break;
    case 1: setLevel(0, value); break;
    case 2: setLevel(1, value); break;
    case 3: setLevel(2, value); break;
    case 4:
        state.effect = value;
        state.effectRunning = true;
        break;
    case 5: state.effectSpeed = value; break;
    case 6: state.effectColour = value; break;
    case 7:
        for (auto& led : state.level) led[0] = led[1] = led[2] = 0;
        state.effectRunning = false;
        break;
    case 8: state.fan = value != 0 ? 1 : 0; break;
    default: traceWarning("board 0x%02x: no register 0x%02x", kBoardControllerAddress, reg & 0xFF); break;
    }
}

void boardControllerTransfer(const uint8_t* bytes, int count)
{
    if (count != 2) {
        traceWarning("board 0x%02x: a transfer of %d bytes, not a register write", kBoardControllerAddress, count);
        return;
    }
    boardControllerWrite(bytes[0], bytes[1]);
}

const BoardState& boardControllerState() { return state; }

void resetBoardController() { state = BoardState{}; }

}  // namespace hatsim
