// SPDX-License-Identifier: MIT
// HATSIM_VIEW: the live view in the terminal on standard error. The picture
// stays at the top; the program's own lines scroll in the region below it.
#pragma once

namespace hatsim {

// Sets the terminal up and draws the first picture; false when standard
// error is no terminal or the terminal is too small.
bool startLiveView(const char* title);
// Redraws the picture, at most 25 times a second unless forced.
void refreshLiveView(bool force);
// Draws the last picture and gives the terminal back as it was.
void stopLiveView();
// Async-signal-safe: gives the terminal back (for a dying process).
void restoreTerminalFromSignal();

}  // namespace hatsim
