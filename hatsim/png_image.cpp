// SPDX-License-Identifier: MIT
#include "hatsim/png_image.h"

#include <png.h>

#include <climits>
#include <cstdio>

namespace hatsim {

namespace {

constexpr int kMaxWidth = 4096;

bool encode(FILE* file, int width, int height, RowPainter paint, void* context)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_GRAY,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_byte row[kMaxWidth];
    for (int y = 0; y < height; ++y) {
        paint(y, row, context);
        png_write_row(png, row);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool writeGreyPng(const char* path, int width, int height, RowPainter paint, void* context)
{
    if (width <= 0 || width > kMaxWidth || height <= 0) return false;
    char temporary[PATH_MAX];
    if (std::snprintf(temporary, sizeof temporary, "%s.tmp", path) >= static_cast<int>(sizeof temporary)) return false;
    FILE* file = std::fopen(temporary, "wbe");
    if (file == nullptr) return false;
    const bool written = encode(file, width, height, paint, context);
    if (std::fclose(file) != 0 || !written) {
        std::remove(temporary);
        return false;
    }
    return std::rename(temporary, path) == 0;
}

}  // namespace hatsim
