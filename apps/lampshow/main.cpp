// SPDX-License-Identifier: MIT
// lampshow: starts one of the board's built-in light effects and exits.
#include "apps/board_program.h"
#include "board/board_link.h"
#include "platform/wiring.h"

namespace {
constexpr int kEffect = 1;
constexpr int kSpeed = 3;
constexpr int kEffectColour = 4;
constexpr unsigned kSettlePauseMs = 1;
}  // namespace

int main()
{
    useLineBufferedOutput();
    if (!openBoardLink(LinkAttempts::once)) return kExitFailure;
    closeRGB();
    delay(kSettlePauseMs);
    setRGBEffect(kEffect);
    setRGBSpeed(kSpeed);
    setRGBColor(kEffectColour);
    return 0;
}
