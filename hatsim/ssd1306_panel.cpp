// SPDX-License-Identifier: MIT
#include "hatsim/ssd1306_panel.h"

#include "hatsim/trace.h"

namespace hatsim {

namespace {

PanelState panel;
void (*frameListener)() = nullptr;

// A command whose parameter bytes are still coming.
int pendingCommand = -1;
int parametersNeeded = 0;
int parametersGot = 0;
int parameters[6];
bool warnedDataBeforeInit = false;

int parameterCount(int command)
{
    switch (command) {
    case 0x20: case 0x81: case 0x8D: case 0xA8: case 0xD3: case 0xD5: case 0xD9: case 0xDA: case 0xDB: return 1;
    case 0x21: case 0x22: case 0xA3: return 2;
    case 0x29: case 0x2A: return 5;
    case 0x26: case 0x27: return 6;
    default: return 0;
    }
}

void warnPanel(const char* what, int a = 0, int b = 0)
{
    traceWarning("panel 0x%02x: %s 0x%02x 0x%02x", kPanelAddress, what, a, b);
}

void setUpScroll(int command, const int* p)
{
    panel.scrollCommand = command;
    panel.scrollSetUp = true;
    if (command == 0x26 || command == 0x27) {
        if (p[0] != 0x00 || p[4] != 0x00 || p[5] != 0xFF) warnPanel("horizontal scroll dummy bytes wrong in", command, p[0]);
        panel.scrollStartPage = p[1] & 7;
        panel.scrollInterval = p[2] & 7;
        panel.scrollEndPage = p[3] & 7;
        panel.scrollVerticalOffset = 0;
    } else {
        if (p[0] != 0x00) warnPanel("scroll dummy byte wrong in", command, p[0]);
        panel.scrollStartPage = p[1] & 7;
        panel.scrollInterval = p[2] & 7;
        panel.scrollEndPage = p[3] & 7;
        panel.scrollVerticalOffset = p[4] & 0x3F;
    }
    if (p[1] > 7 || p[3] > 7) warnPanel("scroll page beyond 7:", p[1], p[3]);
    if (panel.scrollEndPage < panel.scrollStartPage) warnPanel("scroll end page before start page:", p[1], p[3]);
}

void execute(int command, const int* p)
{
    if (command <= 0x0F) {
        panel.pageModeColumn = (panel.pageModeColumn & 0x70) | command;
        if (panel.mode == AddressingMode::page) panel.column = panel.pageModeColumn;
        return;
    }
    if (command <= 0x1F) {
        if (command > 0x17) warnPanel("column high nibble beyond 7:", command, 0);
        panel.pageModeColumn = (panel.pageModeColumn & 0x0F) | ((command & 0x07) << 4);
        if (panel.mode == AddressingMode::page) panel.column = panel.pageModeColumn;
        return;
    }
    if (command >= 0x40 && command <= 0x7F) {
        panel.startLine = command & 0x3F;
        return;
    }
    if (command >= 0xB0 && command <= 0xB7) {
        if (panel.mode == AddressingMode::page) panel.page = command & 7;
        return;
    }
    if (command >= 0xC0 && command <= 0xCF) {
        panel.comRemapped = (command & 0x08) != 0;
        return;
    }
    switch (command) {
    case 0x20:
        if ((p[0] & 3) == 3) {
            warnPanel("invalid addressing mode", p[0], 0);
        } else {
            panel.mode = static_cast<AddressingMode>(p[0] & 3);
        }
        break;
    case 0x21:
        if (p[0] > 127 || p[1] > 127 || p[0] > p[1]) warnPanel("odd column window", p[0], p[1]);
        panel.columnStart = p[0] & 0x7F;
        panel.columnEnd = p[1] & 0x7F;
        panel.column = panel.columnStart;
        break;
    case 0x22:
        if (p[0] > 7 || p[1] > 7 || p[0] > p[1]) warnPanel("odd page window", p[0], p[1]);
        panel.pageStart = p[0] & 7;
        panel.pageEnd = p[1] & 7;
        panel.page = panel.pageStart;
        break;
    case 0x26: case 0x27: case 0x29: case 0x2A: setUpScroll(command, p); break;
    case 0x2E: panel.scrolling = false; break;
    case 0x2F:
        if (!panel.scrollSetUp) warnPanel("scroll activated before it was set up", command, 0);
        panel.scrolling = true;
        break;
    case 0x81: panel.contrast = p[0]; break;
    case 0x8D:
        if (p[0] != 0x10 && p[0] != 0x14) warnPanel("odd charge pump setting", p[0], 0);
        panel.chargePump = (p[0] & 0x04) != 0;
        break;
    case 0xA0: case 0xA1: panel.segmentRemap = command == 0xA1; break;
    case 0xA3:
        panel.scrollAreaTop = p[0] & 0x3F;
        panel.scrollAreaRows = p[1] & 0x7F;
        break;
    case 0xA4: case 0xA5: panel.entireDisplayOn = command == 0xA5; break;
    case 0xA6: case 0xA7: panel.inverted = command == 0xA7; break;
    case 0xA8:
        if ((p[0] & 0x3F) < 15) warnPanel("multiplex ratio below 16:", p[0], 0);
        else panel.multiplex = (p[0] & 0x3F) + 1;
        break;
    case 0xAE: panel.displayOn = false; break;
    case 0xAF:
        panel.displayOn = true;
        panel.initialised = true;
        break;
    case 0xD3: panel.displayOffset = p[0] & 0x3F; break;
    case 0xD5: panel.clockDivide = p[0]; break;
    case 0xD9:
        if ((p[0] & 0x0F) == 0 || (p[0] & 0xF0) == 0) warnPanel("pre-charge phase of 0:", p[0], 0);
        panel.precharge = p[0];
        break;
    case 0xDA:
        if ((p[0] & 0xCF) != 0x02) warnPanel("odd COM pins configuration", p[0], 0);
        panel.comPins = p[0];
        break;
    case 0xDB: panel.vcomh = p[0]; break;
    case 0xE3: break;  // no operation
    default: warnPanel("unknown command", command, 0); break;
    }
}

void commandByte(int value)
{
    if (pendingCommand >= 0) {
        parameters[parametersGot++] = value;
        if (parametersGot == parametersNeeded) {
            const int command = pendingCommand;
            pendingCommand = -1;
            execute(command, parameters);
        }
        return;
    }
    parametersNeeded = parameterCount(value);
    if (parametersNeeded == 0) {
        execute(value, nullptr);
        return;
    }
    pendingCommand = value;
    parametersGot = 0;
}

// Moves the RAM pointer on after a data byte, as the addressing mode says.
void advancePointer()
{
    bool frameDone = false;
    switch (panel.mode) {
    case AddressingMode::horizontal:
        if (++panel.column > panel.columnEnd) {
            panel.column = panel.columnStart;
            if (++panel.page > panel.pageEnd) {
                panel.page = panel.pageStart;
                frameDone = true;
            }
        }
        break;
    case AddressingMode::vertical:
        if (++panel.page > panel.pageEnd) {
            panel.page = panel.pageStart;
            if (++panel.column > panel.columnEnd) {
                panel.column = panel.columnStart;
                frameDone = true;
            }
        }
        break;
    case AddressingMode::page:
        if (++panel.column > 127) panel.column = panel.pageModeColumn;
        break;
    }
    if (frameDone) {
        ++panel.frames;
        if (frameListener != nullptr) frameListener();
    }
}

void dataByte(int value)
{
    if (pendingCommand >= 0) {
        warnPanel("command parameters cut short by data:", pendingCommand, parametersGot);
        pendingCommand = -1;
    }
    if (!panel.initialised && !warnedDataBeforeInit) {
        warnPanel("display data before the panel was initialised:", value, 0);
        warnedDataBeforeInit = true;
    }
    panel.ram[panel.page & 7][panel.column & 0x7F] = static_cast<uint8_t>(value);
    advancePointer();
}

}  // namespace

void panelTransfer(const uint8_t* bytes, int count)
{
    // Each control byte: D/C# (0x40) picks data or commands; Co (0x80) set
    // means one byte follows and then another control byte, clear means
    // every byte to the end of the transaction is of that kind.
    int at = 0;
    while (at + 1 < count) {
        const int control = bytes[at];
        if ((control & 0x3F) != 0) warnPanel("odd control byte", control, bytes[at + 1]);
        const bool data = (control & 0x40) != 0;
        const int last = (control & 0x80) != 0 ? at + 1 : count - 1;
        for (int i = at + 1; i <= last; ++i) {
            if (data) {
                dataByte(bytes[i]);
            } else {
                commandByte(bytes[i]);
            }
        }
        at = last + 1;
    }
    if (at < count) warnPanel("control byte with nothing after it:", bytes[at], 0);
}

void panelWrite(int control, int value)
{
    const uint8_t bytes[2] = {static_cast<uint8_t>(control), static_cast<uint8_t>(value)};
    panelTransfer(bytes, 2);
}

const PanelState& panelState() { return panel; }

void resetPanel()
{
    panel = PanelState{};
    pendingCommand = -1;
    warnedDataBeforeInit = false;
}

bool panelPixel(int x, int y)
{
    if (x < 0 || x >= kPanelWidth || y < 0 || y >= kPanelHeight) return false;
    if (!panel.initialised || !panel.displayOn) return false;
    if (panel.entireDisplayOn) return true;
    if (y >= panel.multiplex) return false;
    // The module is mounted so that segment remap 0xA1 and COM scan 0xC8
    // show RAM upright; the other settings mirror it.
    const int com = panel.comRemapped ? y : kPanelHeight - 1 - y;
    const int row = (com + panel.startLine + panel.displayOffset) & 63;
    const int column = panel.segmentRemap ? x : kPanelWidth - 1 - x;
    const bool lit = ((panel.ram[row / 8][column] >> (row % 8)) & 1) != 0;
    return lit != panel.inverted;
}

void setPanelFrameListener(void (*listener)()) { frameListener = listener; }

}  // namespace hatsim
