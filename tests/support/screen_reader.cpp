// SPDX-License-Identifier: MIT
#include "tests/support/screen_reader.h"

#include <png.h>

#include <vector>

#include "oled/ssd1306_font.h"

int Screen::litPixels() const
{
    int n = 0;
    for (const auto& row : pixel)
        for (bool on : row) n += on;
    return n;
}

Screen loadScreen(const std::string& pngPath)
{
    Screen screen;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, pngPath.c_str())) return screen;
    image.format = PNG_FORMAT_GRAY;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    if (image.width != 128 || image.height != 32 ||
        !png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return screen;
    }
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 128; ++x) screen.pixel[y][x] = pixels[y * 128 + x] != 0;
    screen.loaded = true;
    return screen;
}

namespace {

bool cellMatches(const Screen& screen, int x, int y, int code)
{
    for (int i = 0; i < 6; ++i) {
        const int column = i < 5 ? font[code * 5 + i] : 0;
        for (int j = 0; j < 8; ++j) {
            const bool on = x + i < 128 && y + j < 32 && screen.pixel[y + j][x + i];
            if (on != (((column >> j) & 1) != 0)) return false;
        }
    }
    return true;
}

}  // namespace

std::string readText(const Screen& screen, int x, int y, int endX)
{
    std::string text;
    for (int cx = x; cx + 6 <= endX; cx += 6) {
        char found = '?';
        for (int code = 0x20; code <= 0x7E; ++code) {
            if (cellMatches(screen, cx, y, code)) {
                found = static_cast<char>(code);
                break;
            }
        }
        text += found;
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}
