// SPDX-License-Identifier: MIT
// hatsim's virtual clock: starts at 0 ms and moves only by pauses.
#pragma once

#include <cstdint>

namespace hatsim {

int64_t virtualNowMs();
void advanceVirtualClock(int64_t ms);
void resetVirtualClock();

}  // namespace hatsim
