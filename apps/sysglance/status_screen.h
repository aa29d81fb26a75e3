// SPDX-License-Identifier: MIT
// The status screen layout on the 128 x 32 panel: five texts on four rows.
#pragma once

#include "apps/sysglance/status_texts.h"

constexpr const char* kSysinfoError = "sysinfo-Error";

// Draws the five texts into the (cleared) frame buffer, moved dx columns
// right and dy rows down (the orbit; 0 and 0 by default).
void drawStatusTexts(const StatusTexts& texts, int dx = 0, int dy = 0);
// How many columns the texts may move right with every character still on
// its line (the driver starts a new line for a character that would begin
// past column 122); 0 when one already reaches that far.
int roomToTheRight(const StatusTexts& texts);
// How many rows the texts may move down: 1, or 0 when the bottom text has a
// character that reaches the panel's last row (a descender).
int roomBelow(const StatusTexts& texts);
// Clears the frame buffer and draws the sysinfo error at the top left.
void drawSysinfoError();
