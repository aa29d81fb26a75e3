// SPDX-License-Identifier: MIT
#include "hatsim/clock.h"

namespace hatsim {

namespace {
int64_t nowMs = 0;
}

int64_t virtualNowMs() { return nowMs; }
void advanceVirtualClock(int64_t ms) { nowMs += ms; }
void resetVirtualClock() { nowMs = 0; }

}  // namespace hatsim
