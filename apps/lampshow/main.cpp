// SPDX-License-Identifier: MIT
// lampshow: starts one of the board's built-in light effects and exits:
// effect 1 at speed 3 in colour 4, or the effect, speed and colour number
// of /etc/hatkit.conf (light = effect N, light_speed, light_effect_colour).
#include "apps/common/board_program/board_program.h"
#include "apps/common/files/program_settings.h"
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
    HatkitSettings settings;
    if (!loadSettingsOrReport(&settings, kReadByLampshow)) return kExitBadSettings;
    if (!openBoardLink(LinkAttempts::once)) return kExitFailure;
    closeRGB();
    delay(kSettlePauseMs);
    setRGBEffect(settings.light.kind == LightKind::effect ? settings.light.effect : kEffect);
    setRGBSpeed(settings.lightSpeed > 0 ? settings.lightSpeed : kSpeed);
    setRGBColor(settings.lightEffectColour >= 0 ? settings.lightEffectColour : kEffectColour);
    return 0;
}
