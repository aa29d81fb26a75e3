// SPDX-License-Identifier: MIT
// The SSD1306 OLED controller at 0x3C behind a 128 x 32 module: 128 x 64
// bits of display RAM and the command set, decoded as the datasheet
// describes, parameter bytes included.
#pragma once

#include <cstdint>

namespace hatsim {

constexpr int kPanelAddress = 0x3C;
constexpr int kPanelWidth = 128;
constexpr int kPanelHeight = 32;

enum class AddressingMode { horizontal = 0, vertical = 1, page = 2 };

struct PanelState {
    uint8_t ram[8][128] = {};
    bool initialised = false;  // has been switched on at least once
    bool displayOn = false;
    bool inverted = false;
    bool entireDisplayOn = false;
    int contrast = 0x7F;
    AddressingMode mode = AddressingMode::page;
    int columnStart = 0, columnEnd = 127, pageStart = 0, pageEnd = 7;
    int column = 0, page = 0;
    int pageModeColumn = 0;
    int startLine = 0;
    int displayOffset = 0;
    int multiplex = 64;
    bool segmentRemap = false;  // 0xA1: column 127 drives SEG0
    bool comRemapped = false;   // 0xC8
    int comPins = 0x12;
    int clockDivide = 0x80;
    int precharge = 0x22;
    int vcomh = 0x20;
    bool chargePump = false;
    bool scrollSetUp = false;
    bool scrolling = false;
    int scrollCommand = 0;  // 0x26, 0x27, 0x29 or 0x2A
    int scrollStartPage = 0, scrollEndPage = 0, scrollInterval = 0, scrollVerticalOffset = 0;
    int scrollAreaTop = 0, scrollAreaRows = 64;
    uint32_t frames = 0;  // complete passes over the address window
};

// One write transaction: control bytes and the commands or data they
// announce, as the datasheet describes the Co and D/C# bits.
void panelTransfer(const uint8_t* bytes, int count);
// A two-byte transaction: the control byte, then the value.
void panelWrite(int control, int value);
const PanelState& panelState();
void resetPanel();

// What the module shows at (x, y), 0 <= x < 128, 0 <= y < 32.
bool panelPixel(int x, int y);

// Called each time the data pointer completes its address window: a whole
// frame has been pushed.
void setPanelFrameListener(void (*listener)());

}  // namespace hatsim
