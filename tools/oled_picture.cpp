// SPDX-License-Identifier: MIT
// Magnifies a HATSIM_SNAPSHOT picture so that it looks like the panel:
// each pixel a square dot, lit ones white (or dimmer for a lower contrast),
// dark ones faintly grey.
//   oled_picture SNAPSHOT.png OUTPUT.png [CONTRAST 0-255]
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "hatsim/png_image.h"

namespace {

constexpr int kWidth = 128;
constexpr int kHeight = 32;
constexpr int kDot = 5;
constexpr int kPitch = kDot + 1;
constexpr int kBorder = 8;

std::vector<png_byte> pixels;
png_byte litLevel = 0xFF;

void paintRow(int y, uint8_t* row, void*)
{
    const int outWidth = kWidth * kPitch + 2 * kBorder;
    for (int x = 0; x < outWidth; ++x) {
        const int px = (x - kBorder) / kPitch, py = (y - kBorder) / kPitch;
        const bool inDot = x >= kBorder && y >= kBorder && px < kWidth && py < kHeight &&
                           (x - kBorder) % kPitch < kDot && (y - kBorder) % kPitch < kDot;
        row[x] = !inDot ? 0x00 : pixels[py * kWidth + px] != 0 ? litLevel : 0x1C;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s SNAPSHOT.png OUTPUT.png [CONTRAST 0-255]\n", argv[0]);
        return 2;
    }
    if (argc == 4) {
        // A panel at the lowest contrast is still plainly readable: 0x50 to 0xFF.
        const long contrast = std::strtol(argv[3], nullptr, 0);
        if (contrast < 0 || contrast > 255) {
            std::fprintf(stderr, "oled_picture: contrast must be 0 to 255\n");
            return 2;
        }
        litLevel = static_cast<png_byte>(0x50 + contrast * (0xFF - 0x50) / 255);
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, argv[1]) || image.width != kWidth || image.height != kHeight) {
        std::fprintf(stderr, "oled_picture: %s is not a 128 x 32 snapshot\n", argv[1]);
        return 1;
    }
    image.format = PNG_FORMAT_GRAY;
    pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        std::fprintf(stderr, "oled_picture: cannot read %s\n", argv[1]);
        return 1;
    }
    if (!hatsim::writeGreyPng(argv[2], kWidth * kPitch + 2 * kBorder, kHeight * kPitch + 2 * kBorder, paintRow,
                              nullptr)) {
        std::fprintf(stderr, "oled_picture: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
