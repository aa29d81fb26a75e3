// SPDX-License-Identifier: MIT
#include "hatsim/view_render.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "hatsim/ssd1306_panel.h"

namespace hatsim {

namespace {

// Appends to a fixed buffer, silently stopping at its end.
class Text {
public:
    Text(char* out, std::size_t size) : out_(out), size_(size) {}
    void add(const char* text) { addBytes(text, std::strlen(text)); }
    void addBytes(const char* text, std::size_t length)
    {
        if (length > size_ - used_) length = size_ - used_;
        std::memcpy(out_ + used_, text, length);
        used_ += length;
    }
    void format(const char* pattern, ...) __attribute__((format(printf, 2, 3)))
    {
        char piece[160];
        va_list args;
        va_start(args, pattern);
        const int length = std::vsnprintf(piece, sizeof piece, pattern, args);
        va_end(args);
        if (length > 0) addBytes(piece, static_cast<std::size_t>(length) < sizeof piece ? length : sizeof piece - 1);
    }
    void endLine() { add("\x1b[K\n"); }
    void repeat(const char* text, int count)
    {
        for (int i = 0; i < count; ++i) add(text);
    }
    std::size_t used() const { return used_; }

private:
    char* out_;
    std::size_t size_;
    std::size_t used_ = 0;
};

void addBraille(Text& text, int bits)
{
    const int code = 0x2800 + bits;
    const char bytes[3] = {static_cast<char>(0xE0 | (code >> 12)), static_cast<char>(0x80 | ((code >> 6) & 0x3F)),
                           static_cast<char>(0x80 | (code & 0x3F))};
    text.addBytes(bytes, 3);
}

void panelRows(const ViewInput& in, Text& text)
{
    if (in.style == PanelStyle::braille) {
        // Dots 1-3 and 7 down the left column, 4-6 and 8 down the right.
        static const int kDot[4][2] = {{0x01, 0x08}, {0x02, 0x10}, {0x04, 0x20}, {0x40, 0x80}};
        for (int row = 0; row < kPanelHeight / 4; ++row) {
            text.add("\xe2\x94\x82");
            for (int column = 0; column < kPanelWidth / 2; ++column) {
                int bits = 0;
                for (int dy = 0; dy < 4; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                        if (in.pixel(column * 2 + dx, row * 4 + dy)) bits |= kDot[dy][dx];
                addBraille(text, bits);
            }
            text.add("\xe2\x94\x82");
            text.endLine();
        }
        return;
    }
    for (int row = 0; row < kPanelHeight / 2; ++row) {
        text.add("\xe2\x94\x82");
        for (int x = 0; x < kPanelWidth; ++x) {
            const bool top = in.pixel(x, row * 2);
            const bool bottom = in.pixel(x, row * 2 + 1);
            text.add(top && bottom ? "\xe2\x96\x88" : top ? "\xe2\x96\x80" : bottom ? "\xe2\x96\x84" : " ");
        }
        text.add("\xe2\x94\x82");
        text.endLine();
    }
}

void ledSwatch(const ViewInput& in, Text& text, int led)
{
    uint8_t r = in.board.level[led][0], g = in.board.level[led][1], b = in.board.level[led][2];
    if (in.board.effectRunning) effectColour(in.board.effectColour, &r, &g, &b);
    if (in.trueColour) {
        text.format(" LED%d \x1b[38;2;%u;%u;%um\xe2\x96\x88\xe2\x96\x88\xe2\x96\x88\x1b[0m", led, r, g, b);
    } else {
        text.format(" LED%d #%02X%02X%02X", led, r, g, b);
    }
}

}  // namespace

int viewHeight(PanelStyle style) { return (style == PanelStyle::braille ? kPanelHeight / 4 : kPanelHeight / 2) + 4; }

int viewWidth(PanelStyle style) { return (style == PanelStyle::braille ? kPanelWidth / 2 : kPanelWidth) + 2; }

void effectColour(int number, uint8_t* red, uint8_t* green, uint8_t* blue)
{
    static const uint8_t kPalette[7][3] = {{255, 0, 0},   {0, 255, 0},   {0, 0, 255},    {255, 255, 0},
                                           {160, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    const uint8_t* c = kPalette[number >= 0 && number < 7 ? number : 6];
    *red = c[0];
    *green = c[1];
    *blue = c[2];
}

std::size_t renderView(const ViewInput& in, char* out, std::size_t size)
{
    Text text(out, size);
    const int inner = viewWidth(in.style) - 2;
    const int64_t ms = in.virtualMs;
    char clock[32];
    std::snprintf(clock, sizeof clock, " %02" PRId64 ":%02" PRId64 ":%02" PRId64 ".%03" PRId64 " ", ms / 3600000,
                  ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
    char title[64];
    std::snprintf(title, sizeof title, " %s ", in.title);
    const int dashes = inner - static_cast<int>(std::strlen(title)) - static_cast<int>(std::strlen(clock));
    text.add("\xe2\x94\x8c");
    text.add(title);
    text.repeat("\xe2\x94\x80", dashes > 0 ? dashes : 0);
    text.add(clock);
    text.add("\xe2\x94\x90");
    text.endLine();

    panelRows(in, text);

    text.add("\xe2\x94\x94");
    text.repeat("\xe2\x94\x80", inner);
    text.add("\xe2\x94\x98");
    text.endLine();

    const int fan = in.board.fan;
    text.add(fan == kFanUnknown ? " fan ?  " : fan == 1 ? " fan ON " : " fan off");
    for (int led = 0; led < 3; ++led) ledSwatch(in, text, led);
    if (in.hasTemperature) text.format("   %.1f\xc2\xb0" "C", in.temperature);
    text.endLine();
    if (in.board.effectRunning) {
        text.format(" light effect %d, speed %d, colour %d", in.board.effect, in.board.effectSpeed, in.board.effectColour);
    } else {
        text.add(" no light effect");
    }
    text.endLine();
    return text.used();
}

}  // namespace hatsim
