// SPDX-License-Identifier: MIT
#include "apps/sysglance/status_screen.h"

#include "oled/ssd1306_i2c.h"

void drawStatusTexts(const StatusTexts& texts)
{
    ssd1306_drawText(0, 0, texts.cpuText);
    ssd1306_drawText(56, 0, texts.tempText);
    ssd1306_drawText(0, 8, texts.ramText);
    ssd1306_drawText(0, 16, texts.diskText);
    ssd1306_drawText(0, 24, texts.addressText);
}

void drawSysinfoError()
{
    ssd1306_clearDisplay();
    ssd1306_drawString(kSysinfoError);
}
