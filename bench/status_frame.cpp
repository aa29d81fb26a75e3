// SPDX-License-Identifier: MIT
#include "bench/status_frame.h"

#include "oled/ssd1306_i2c.h"

void startFrames() { ssd1306_begin(2, 0x3C); }

void drawAndPushFrame()
{
    ssd1306_clearDisplay();
    ssd1306_drawText(0, 0, "CPU:37%");
    ssd1306_drawText(56, 0, "Temp:47.2C");
    ssd1306_drawText(0, 8, "RAM:1953/3906 MB");
    ssd1306_drawText(0, 16, "Disk:29296/58593MB");
    ssd1306_drawText(0, 24, "eth0:192.168.1.20");
    ssd1306_display();
}
