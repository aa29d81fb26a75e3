#include "hatsim/snapshot.h"

#include <png.h>

#include <climits>
#include <cstdio>

#include "hatsim/ssd1306_panel.h"

namespace hatsim {

namespace {

bool writePng(FILE* file)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, kPanelWidth, kPanelHeight, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_byte row[kPanelWidth];
    for (int y = 0; y < kPanelHeight; ++y) {
        for (int x = 0; x < kPanelWidth; ++x) row[x] = panelPixel(x, y) ? 0xFF : 0x00;
        png_write_row(png, row);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool writePanelSnapshot(const char* path)
{
    char temporary[PATH_MAX];
    if (std::snprintf(temporary, sizeof temporary, "%s.tmp", path) >= static_cast<int>(sizeof temporary)) return false;
    FILE* file = std::fopen(temporary, "wbe");
    if (file == nullptr) return false;
    const bool written = writePng(file);
    if (std::fclose(file) != 0 || !written) {
        std::remove(temporary);
        return false;
    }
    return std::rename(temporary, path) == 0;
}

}  // namespace hatsim
