// SPDX-License-Identifier: MIT
// The status screen layout on the 128 x 32 panel: five texts on four rows.
#pragma once

#include "apps/sysglance/status_texts.h"

constexpr const char* kSysinfoError = "sysinfo-Error";

// Draws the five texts into the (cleared) frame buffer.
void drawStatusTexts(const StatusTexts& texts);
// Clears the frame buffer and draws the sysinfo error at the top left.
void drawSysinfoError();
