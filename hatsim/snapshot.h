// SPDX-License-Identifier: MIT
// HATSIM_SNAPSHOT: the picture the emulated panel shows, as a 128 x 32 PNG,
// lit pixels white on black.
#pragma once

namespace hatsim {

// Writes the picture atomically (a reader never sees half a file).
bool writePanelSnapshot(const char* path);

}  // namespace hatsim
