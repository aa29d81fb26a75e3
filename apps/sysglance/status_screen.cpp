// SPDX-License-Identifier: MIT
#include "apps/sysglance/status_screen.h"

#include "oled/ssd1306_i2c.h"

void drawStatusTexts(const StatusTexts& texts, int dx, int dy)
{
    ssd1306_drawText(dx, dy, texts.cpuText);
    ssd1306_drawText(56 + dx, dy, texts.tempText);
    ssd1306_drawText(dx, 8 + dy, texts.ramText);
    ssd1306_drawText(dx, 16 + dy, texts.diskText);
    ssd1306_drawText(dx, 24 + dy, texts.addressText);
}

void drawSysinfoError()
{
    ssd1306_clearDisplay();
    ssd1306_drawString(kSysinfoError);
}
