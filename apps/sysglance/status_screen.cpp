// SPDX-License-Identifier: MIT
#include "apps/sysglance/status_screen.h"

#include <cstring>
#include <utility>

#include "oled/ssd1306_font.h"
#include "oled/ssd1306_i2c.h"

namespace {

constexpr int kCellWidth = 6;
constexpr int kLastCharacterStart = 122;

int roomAfter(int x, const char* text)
{
    const int length = static_cast<int>(std::strlen(text));
    if (length == 0) return kLastCharacterStart;
    const int room = kLastCharacterStart - (x + kCellWidth * (length - 1));
    return room < 0 ? 0 : room;
}

}  // namespace

int roomToTheRight(const StatusTexts& texts)
{
    int room = kLastCharacterStart;
    for (const auto& [x, text] : {std::pair<int, const char*>{0, texts.cpuText}, {56, texts.tempText},
                                  {0, texts.ramText}, {0, texts.diskText}, {0, texts.addressText}}) {
        const int after = roomAfter(x, text);
        if (after < room) room = after;
    }
    return room;
}

int roomBelow(const StatusTexts& texts)
{
    constexpr unsigned kLastRow = 0x80;
    for (const char* c = texts.addressText; *c != '\0'; ++c) {
        const int code = static_cast<unsigned char>(*c);
        if (code >= kGlyphCount) continue;
        for (int column = 0; column < kGlyphColumns; ++column) {
            if ((font[code * kGlyphColumns + column] & kLastRow) != 0) return 0;
        }
    }
    return 1;
}

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
