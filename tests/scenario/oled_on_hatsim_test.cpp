// SPDX-License-Identifier: MIT
// The real driver against hatsim's panel, in one process: what the panel
// shows must be what the frame buffer holds.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>

#include "hatsim/ssd1306_panel.h"
#include "oled/ssd1306_i2c.h"
#include "oled/ssd1306_state.h"

namespace {

bool bufferPixel(int x, int y) { return (ssd1306::buffer[x + (y / 8) * 128] >> (y % 8)) & 1; }

void drawSomething()
{
    ssd1306_clearDisplay();
    ssd1306_drawText(0, 0, "CPU:42%");
    ssd1306_drawText(56, 0, "Temp:47.2C");
    ssd1306_drawText(0, 8, "RAM:1234/3906 MB");
    ssd1306_fillRect(100, 20, 20, 12, 2);
    ssd1306_drawFastVLine(127, 0, 32, 1);
}

class OledOnHatsim : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ssd1306_begin(2, 0x3C); }
};

TEST_F(OledOnHatsim, PanelShowsTheFrameBufferPixelForPixel)
{
    // hatsim started at the driver's first call, opening the panel's link.
    char first[32] = "";
    if (std::FILE* trace = std::fopen(std::getenv("HATSIM_TRACE"), "r")) {
        (void)std::fgets(first, sizeof first, trace);
        std::fclose(trace);
    }
    EXPECT_STREQ(first, "0 open 0x3c 3\n");
    drawSomething();
    ssd1306_display();
    int lit = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 128; ++x) {
            ASSERT_EQ(hatsim::panelPixel(x, y), bufferPixel(x, y)) << x << "," << y;
            lit += bufferPixel(x, y);
        }
    }
    EXPECT_GT(lit, 200);
}

TEST_F(OledOnHatsim, PanelKeepsTheLowEightBitsOfEachCell)
{
    ssd1306_clearDisplay();
    ssd1306::buffer[0] = 0x100;
    ssd1306::buffer[1] = 0x1FF;
    ssd1306::buffer[511] = -1;
    hatsim::resetPanel();
    ssd1306_begin(2, 0x3C);
    ssd1306_display();
    EXPECT_EQ(hatsim::panelState().ram[0][0], 0x00);
    EXPECT_EQ(hatsim::panelState().ram[0][1], 0xFF);
    EXPECT_EQ(hatsim::panelState().ram[3][127], 0xFF);
    EXPECT_EQ(hatsim::panelState().frames, 1u);
}

TEST_F(OledOnHatsim, SegmentRemapA0MirrorsThePicture)
{
    drawSomething();
    ssd1306_display();
    ssd1306_command(0xA0);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 128; ++x) ASSERT_EQ(hatsim::panelPixel(x, y), bufferPixel(127 - x, y)) << x << "," << y;
    }
    ssd1306_command(0xA1);
}

TEST_F(OledOnHatsim, InvertAndDimReachThePanel)
{
    drawSomething();
    ssd1306_display();
    ssd1306_invertDisplay(1);
    EXPECT_NE(hatsim::panelPixel(0, 0), bufferPixel(0, 0));
    ssd1306_invertDisplay(0);
    ssd1306_dim(1);
    EXPECT_EQ(hatsim::panelState().contrast, 0);
    ssd1306_dim(0);
    EXPECT_EQ(hatsim::panelState().contrast, 0xCF);
}

TEST_F(OledOnHatsim, SnapshotIsWrittenAfterEveryPush)
{
    const char* path = std::getenv("HATSIM_SNAPSHOT");
    ASSERT_NE(path, nullptr);
    std::remove(path);
    drawSomething();
    ssd1306_display();
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path)) << path;
    image.format = PNG_FORMAT_GRAY;
    ASSERT_EQ(image.width, 128u);
    ASSERT_EQ(image.height, 32u);
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 128; ++x) ASSERT_EQ(pixels[y * 128 + x] != 0, bufferPixel(x, y)) << x << "," << y;
    }
}

}  // namespace
