// SPDX-License-Identifier: MIT
#pragma once

long countedWrites();
// The folder standing in for "/" when system files are opened.
void setBenchRoot(const char* folder);
