// SPDX-License-Identifier: MIT
// hatsim's SSD1306: command decoding, addressing, orientation and warnings.
#include <gtest/gtest.h>

#include <initializer_list>

#include "hatsim/clock.h"
#include "hatsim/ssd1306_panel.h"
#include "hatsim/trace.h"
#include "tests/support/temp_folder.h"

namespace {

using hatsim::panelPixel;
using hatsim::panelState;

void command(std::initializer_list<int> bytes)
{
    for (int b : bytes) hatsim::panelWrite(0x00, b);
}
void data(std::initializer_list<int> bytes)
{
    for (int b : bytes) hatsim::panelWrite(0x40, b);
}
// The driver's own initialisation, charge pump mode.
void initialise()
{
    command({0xAE, 0xD5, 0x80, 0xA8, 0x1F, 0xD3, 0x00, 0x40, 0x8D, 0x14, 0x20, 0x00, 0xA1, 0xC8, 0xDA, 0x02, 0x81,
             0x8F, 0xD9, 0xF1, 0xDB, 0x40, 0xA4, 0xA6, 0x2E, 0xAF});
}

class PanelModel : public ::testing::Test {
protected:
    void SetUp() override
    {
        hatsim::resetPanel();
        hatsim::resetVirtualClock();
        ASSERT_TRUE(hatsim::openTrace(folder.file("trace").c_str()));
    }
    void TearDown() override { hatsim::closeTrace(); }
    std::string warnings() { return folder.read("trace"); }

    TempFolder folder;
};

TEST_F(PanelModel, InitialisationIsDecodedWithItsParameters)
{
    initialise();
    const auto& s = panelState();
    EXPECT_TRUE(s.initialised);
    EXPECT_TRUE(s.displayOn);
    EXPECT_EQ(s.multiplex, 32);
    EXPECT_EQ(s.contrast, 0x8F);
    EXPECT_EQ(s.mode, hatsim::AddressingMode::horizontal);
    EXPECT_TRUE(s.segmentRemap);
    EXPECT_TRUE(s.comRemapped);
    EXPECT_TRUE(s.chargePump);
    EXPECT_EQ(s.precharge, 0xF1);
    EXPECT_EQ(s.vcomh, 0x40);
    EXPECT_FALSE(s.scrolling);
    EXPECT_EQ(warnings(), "");
}

void transfer(std::initializer_list<uint8_t> bytes)
{
    hatsim::panelTransfer(bytes.begin(), static_cast<int>(bytes.size()));
}

TEST_F(PanelModel, HorizontalAddressingWalksTheWindowAndWraps)
{
    initialise();
    // Co set: one command byte per control byte; then Co clear: a stream.
    transfer({0x80, 0x21, 0x80, 2, 0x80, 3, 0x00, 0x22, 1, 2});
    transfer({0x40, 1, 2, 3, 4});
    EXPECT_EQ(panelState().frames, 1u);
    data({5});
    const auto& ram = panelState().ram;
    EXPECT_EQ(ram[1][2], 5);
    EXPECT_EQ(ram[1][3], 2);
    EXPECT_EQ(ram[2][2], 3);
    EXPECT_EQ(ram[2][3], 4);
}

TEST_F(PanelModel, VerticalAndPageAddressing)
{
    initialise();
    command({0x20, 0x01, 0x21, 10, 11, 0x22, 0, 1});
    data({1, 2, 3});
    EXPECT_EQ(panelState().ram[0][10], 1);
    EXPECT_EQ(panelState().ram[1][10], 2);
    EXPECT_EQ(panelState().ram[0][11], 3);
    command({0x20, 0x02, 0xB5, 0x0E, 0x17});  // page 5, column 0x7E
    data({7, 8});
    EXPECT_EQ(panelState().ram[5][126], 7);
    EXPECT_EQ(panelState().ram[5][127], 8);
    data({9});  // back to the page's start column, never to another page
    EXPECT_EQ(panelState().ram[5][126], 9);
    EXPECT_EQ(panelState().page, 5);
}

TEST_F(PanelModel, PictureFollowsRemapScanInvertAndPower)
{
    EXPECT_FALSE(panelPixel(0, 0));  // never initialised: dark
    hatsim::panelWrite(0x00, 0xA5);
    EXPECT_FALSE(panelPixel(0, 0));
    hatsim::resetPanel();
    initialise();
    command({0x21, 0, 127, 0x22, 0, 3});
    data({0x01, 0x80});  // (0, 0) and (1, 7)
    EXPECT_TRUE(panelPixel(0, 0));
    EXPECT_TRUE(panelPixel(1, 7));
    EXPECT_FALSE(panelPixel(127, 0));
    command({0xA0});
    EXPECT_TRUE(panelPixel(127, 0));
    EXPECT_FALSE(panelPixel(0, 0));
    command({0xA1, 0xC0});
    EXPECT_TRUE(panelPixel(0, 31));
    EXPECT_TRUE(panelPixel(1, 24));
    command({0xC8, 0xA7});
    EXPECT_FALSE(panelPixel(0, 0));
    EXPECT_TRUE(panelPixel(5, 5));
    command({0xA6, 0xA5});
    EXPECT_TRUE(panelPixel(5, 5));
    command({0xA4, 0xAE});
    EXPECT_FALSE(panelPixel(0, 0));
    command({0xAF});
    EXPECT_TRUE(panelPixel(0, 0));
}

TEST_F(PanelModel, ScrollStateContrastAndDim)
{
    initialise();
    command({0x26, 0x00, 1, 0x00, 2, 0x00, 0xFF, 0x2F});
    EXPECT_TRUE(panelState().scrolling);
    EXPECT_EQ(panelState().scrollCommand, 0x26);
    EXPECT_EQ(panelState().scrollStartPage, 1);
    EXPECT_EQ(panelState().scrollEndPage, 2);
    command({0x2E, 0xA3, 0x00, 0x20, 0x2A, 0x00, 0, 0x00, 3, 0x01, 0x2F});
    EXPECT_EQ(panelState().scrollCommand, 0x2A);
    EXPECT_EQ(panelState().scrollVerticalOffset, 1);
    EXPECT_EQ(panelState().scrollAreaRows, 32);
    command({0x2E, 0x81, 0x00});
    EXPECT_FALSE(panelState().scrolling);
    EXPECT_EQ(panelState().contrast, 0);
    EXPECT_EQ(warnings(), "");
}

TEST_F(PanelModel, WarnsAboutWhatARealPanelWouldNotAccept)
{
    data({0x55, 0x66});
    command({0xAF, 0x81});
    data({0x01});
    command({0xFF, 0x26, 0x01, 9, 0, 2, 0, 0});
    hatsim::panelWrite(0x12, 0x00);
    transfer({0x80, 0xE3, 0x00});
    EXPECT_EQ(warnings(),
              "0 warn panel 0x3c: display data before the panel was initialised: 0x55 0x00\n"
              "0 warn panel 0x3c: command parameters cut short by data: 0x81 0x00\n"
              "0 warn panel 0x3c: unknown command 0xff 0x00\n"
              "0 warn panel 0x3c: horizontal scroll dummy bytes wrong in 0x26 0x01\n"
              "0 warn panel 0x3c: scroll page beyond 7: 0x09 0x02\n"
              "0 warn panel 0x3c: odd control byte 0x12 0x00\n"
              "0 warn panel 0x3c: control byte with nothing after it: 0x00 0x00\n");
}

}  // namespace
