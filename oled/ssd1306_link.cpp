// SPDX-License-Identifier: MIT
// The panel link, its initialisation, the command operations and the push
// of the frame buffer.
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "oled/ssd1306_i2c.h"
#include "oled/ssd1306_state.h"
#include "platform/wiring.h"

namespace ssd1306 {

int32_t i2cd = 0;
int32_t _vccstate = 0;
int32_t buffer[kBufferCells] = {};
int32_t cursor_x = 0;
int32_t cursor_y = 0;
int32_t textsize = 1;
int32_t wrap = 1;
BusTally panelWrites;

}  // namespace ssd1306

using namespace ssd1306;

namespace {

constexpr int kCommandControl = 0x00;
constexpr int kDataControl = 0x40;
constexpr int kExternalSupply = 1;
constexpr int kDefaultContrast = 0x8F;

// Segment remap 0xA1 with COM scan 0xC8 shows the buffer upright on the
// module; 0xA0 with 0xC0 turns it by 180 degrees.
bool flipped = false;
int contrastLevel = kDefaultContrast;
bool initialised = false;

int segmentRemap() { return flipped ? 0xA0 : 0xA1; }
int comScan() { return flipped ? 0xC0 : 0xC8; }

void commands(std::initializer_list<int> bytes)
{
    for (int byte : bytes) ssd1306_command(byte);
}

}  // namespace

void ssd1306_begin(int vccstate, int i2caddr)
{
    _vccstate = vccstate;
    i2cd = wiringPiI2CSetup(i2caddr);
    if (i2cd < 0) {
        std::fputs("ssd1306_i2c : Unable to initialise I2C:\n", stderr);
        return;
    }
    ssd1306_initialise();
}

void ssd1306_initialise()
{
    const bool external = _vccstate == kExternalSupply;
    commands({
        0xAE,                     // display off
        0xD5, 0x80,               // clock divide ratio 1, oscillator 8
        0xA8, 0x1F,               // multiplex ratio 32
        0xD3, 0x00,               // no display offset
        0x40,                     // start line 0
        0x8D, external ? 0x10 : 0x14,  // charge pump off / on
        0x20, 0x00,               // horizontal addressing
        segmentRemap(),           // segment remap: column 127 drives SEG0 (upright)
        comScan(),                // COM scan remapped (upright)
        0xDA, 0x02,               // sequential COM pins
        0x81, contrastLevel,      // contrast
        0xD9, external ? 0x22 : 0xF1,  // pre-charge period
        0xDB, 0x40,               // VCOMH deselect level
        0xA4,                     // display follows RAM
        0xA6,                     // normal, not inverted
        0x2E,                     // no scrolling
        0xAF,                     // display on
    });
    initialised = true;
    ssd1306_forgetPanel();
}

void ssd1306_setOrientationAndContrast(int flip, int contrast)
{
    flipped = flip != 0;
    contrastLevel = contrast & 0xFF;
    if (initialised) commands({segmentRemap(), comScan(), 0x81, contrastLevel});
}

void ssd1306_setContrast(int contrast)
{
    contrastLevel = contrast & 0xFF;
    commands({0x81, contrastLevel});
}

void ssd1306_command(int c) { (void)panelWrites.count(wiringPiI2CWriteReg8(i2cd, kCommandControl, c)); }

void ssd1306_display()
{
    commands({0x21, 0x00, 0x7F, 0x22, 0x00, 0x03});
    // Horizontal addressing over this window walks the panel's RAM in the
    // buffer's own order; the panel keeps each cell's low 8 bits.
    for (int32_t cell : buffer) (void)panelWrites.count(wiringPiI2CWriteReg8(i2cd, kDataControl, cell));
    ssd1306_forgetPanel();  // what changes are measured against is not kept here
}

void ssd1306_clearDisplay()
{
    std::memset(buffer, 0, sizeof buffer);
    cursor_x = 0;
    cursor_y = 0;
}

void ssd1306_invertDisplay(int i) { ssd1306_command(i != 0 ? 0xA7 : 0xA6); }

void ssd1306_dim(int dim)
{
    int contrast = 0x00;
    if (dim == 0) contrast = _vccstate == kExternalSupply ? 0x9F : 0xCF;
    commands({0x81, contrast});
}

// Scrolling moves the picture in the panel's RAM: what it shows afterwards
// is not what was sent.
void ssd1306_startscrollright(int start, int stop)
{
    commands({0x26, 0x00, start, 0x00, stop, 0x00, 0xFF, 0x2F});
    ssd1306_forgetPanel();
}

void ssd1306_startscrollleft(int start, int stop)
{
    commands({0x27, 0x00, start, 0x00, stop, 0x00, 0xFF, 0x2F});
    ssd1306_forgetPanel();
}

void ssd1306_startscrolldiagright(int start, int stop)
{
    commands({0xA3, 0x00, 0x20, 0x29, 0x00, start, 0x00, stop, 0x01, 0x2F});
    ssd1306_forgetPanel();
}

void ssd1306_startscrolldiagleft(int start, int stop)
{
    commands({0xA3, 0x00, 0x20, 0x2A, 0x00, start, 0x00, stop, 0x01, 0x2F});
    ssd1306_forgetPanel();
}

void ssd1306_stopscroll() { ssd1306_command(0x2E); }
