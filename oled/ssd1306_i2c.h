// SPDX-License-Identifier: MIT
// ssd1306_i2c: driver for a 128 x 32 SSD1306 OLED panel on the I2C bus.
// Drawing changes only the frame buffer in memory; ssd1306_display pushes
// the whole buffer to the panel, ssd1306_displayChanges only what differs
// from what the panel shows. One process drives one panel.
#pragma once

// Panel link and commands.
void ssd1306_begin(int vccstate, int i2caddr);  // vccstate 1: external supply, else charge pump
void ssd1306_command(int c);
void ssd1306_display();
void ssd1306_clearDisplay();
void ssd1306_invertDisplay(int i);
void ssd1306_dim(int dim);
void ssd1306_startscrollright(int start, int stop);
void ssd1306_startscrollleft(int start, int stop);
void ssd1306_startscrolldiagright(int start, int stop);
void ssd1306_startscrolldiagleft(int start, int stop);
void ssd1306_stopscroll();
// The picture's orientation (flip: turned 180 degrees) and contrast that
// ssd1306_begin sends; by default upright and 0x8F. Sent at once to a
// panel that is already initialised.
void ssd1306_setOrientationAndContrast(int flip, int contrast);
// The contrast from now on (0x81 and the level), also for a panel
// initialised again; the orientation stays.
void ssd1306_setContrast(int contrast);
// Sends ssd1306_begin's initialisation again over the open link, with the
// orientation and contrast in force: for a panel that lost power.
void ssd1306_initialise();
// Block transfers: for each changed part of the frame, its column and page
// window as one command transfer and its cells as one data transfer (the
// parts are chosen to cost the fewest bits on the wire). Nothing is sent
// when nothing changed; everything when the panel's contents are not known.
void ssd1306_displayChanges();
// The panel's contents are not known any more (a lost write, a reset
// panel): the next ssd1306_displayChanges sends the whole frame.
void ssd1306_forgetPanel();

// Drawing primitives; colour 0 clears, 1 sets, 2 inverts, others change nothing.
void ssd1306_drawPixel(int x, int y, int color);
void ssd1306_drawFastHLine(int x, int y, int w, int color);
void ssd1306_drawFastHLineInternal(int x, int y, int w, int color);
void ssd1306_drawFastVLine(int x, int y, int h, int color);
void ssd1306_drawFastVLineInternal(int x, int y, int h, int color);
void ssd1306_fillRect(int x, int y, int w, int h, int color);

// Text in 6 x 8 cells (times the text size).
void ssd1306_setTextSize(int size);
void ssd1306_drawChar(int x, int y, int c, int color, int size);
void ssd1306_write(int c);
void ssd1306_drawString(const char* str);
void ssd1306_drawText(int x, int y, const char* str);
