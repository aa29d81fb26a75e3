// SPDX-License-Identifier: MIT
// One status frame as sysglance draws it, for measuring.
#pragma once

void startFrames();
void drawAndPushFrame();
