// SPDX-License-Identifier: MIT
// The live view's picture, without a terminal.
#include "hatsim/view_render.h"

#include <gtest/gtest.h>

#include <string>

namespace {

bool checkerboard(int x, int y) { return (x + y) % 2 == 0; }
bool topLeftOnly(int x, int y) { return x == 0 && y == 0; }

std::string render(const hatsim::ViewInput& in)
{
    char out[64 * 1024];
    return std::string(out, hatsim::renderView(in, out, sizeof out));
}

hatsim::ViewInput baseInput()
{
    hatsim::ViewInput in;
    in.pixel = topLeftOnly;
    in.title = "sysglance";
    in.virtualMs = 3723456;
    return in;
}

TEST(ViewRender, FrameTitleAndVirtualTime)
{
    const std::string text = render(baseInput());
    EXPECT_EQ(text.rfind("\xe2\x94\x8c sysglance ", 0), 0u);
    EXPECT_NE(text.find(" 01:02:03.456 "), std::string::npos);
    EXPECT_NE(text.find(" fan ?  "), std::string::npos);  // never written
    EXPECT_NE(text.find(" no light effect"), std::string::npos);
}

TEST(ViewRender, BrailleCellsCarryEightPixels)
{
    hatsim::ViewInput in = baseInput();
    const std::string text = render(in);
    // Top-left pixel alone: dot 1, U+2801, first cell after the frame.
    EXPECT_NE(text.find("\xe2\x94\x82\xe2\xa0\x81\xe2\xa0\x80"), std::string::npos);
    in.pixel = checkerboard;
    // Each cell of a checkerboard lights dots 1, 3, 5, 8: U+28A5... or its
    // shifted twin; no cell is empty.
    EXPECT_EQ(render(in).find("\xe2\xa0\x80"), std::string::npos);
}

TEST(ViewRender, HalfBlocksCarryTwoPixels)
{
    hatsim::ViewInput in = baseInput();
    in.style = hatsim::PanelStyle::halfBlocks;
    const std::string text = render(in);
    EXPECT_NE(text.find("\xe2\x94\x82\xe2\x96\x80 "), std::string::npos);  // upper half, then blank
    int lines = 0;
    for (char c : text) lines += c == '\n';
    EXPECT_EQ(lines, hatsim::viewHeight(hatsim::PanelStyle::halfBlocks));
}

TEST(ViewRender, LedsAsSwatchesOrAsTextWithoutColour)
{
    hatsim::ViewInput in = baseInput();
    in.board.level[0][0] = 255;
    in.board.level[1][1] = 0x80;
    in.board.level[2][2] = 0x0A;
    in.board.fan = 1;
    std::string text = render(in);
    EXPECT_NE(text.find(" fan ON  LED0 #FF0000 LED1 #008000 LED2 #00000A"), std::string::npos);
    in.trueColour = true;
    text = render(in);
    EXPECT_NE(text.find("LED1 \x1b[38;2;0;128;0m"), std::string::npos);
    in.board.effectRunning = true;
    in.board.effect = 2;
    in.board.effectSpeed = 3;
    in.board.effectColour = 4;
    EXPECT_NE(render(in).find(" light effect 2, speed 3, colour 4"), std::string::npos);
}

TEST(ViewRender, NeverWritesPastTheBuffer)
{
    char small[100];
    const std::size_t used = hatsim::renderView(baseInput(), small, sizeof small);
    EXPECT_EQ(used, sizeof small);
}

}  // namespace
