// SPDX-License-Identifier: MIT
#include "hatsim/snapshot.h"

#include "hatsim/png_image.h"
#include "hatsim/ssd1306_panel.h"

namespace hatsim {

namespace {

void paintPanelRow(int y, uint8_t* row, void*)
{
    for (int x = 0; x < kPanelWidth; ++x) row[x] = panelPixel(x, y) ? 0xFF : 0x00;
}

}  // namespace

bool writePanelSnapshot(const char* path) { return writeGreyPng(path, kPanelWidth, kPanelHeight, paintPanelRow, nullptr); }

}  // namespace hatsim
