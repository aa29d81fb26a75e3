// SPDX-License-Identifier: MIT
#include "apps/fan_control.h"

#include "board/board_link.h"

FanThresholds thresholdsInForce(const HatkitSettings& settings, FanThresholds own)
{
    return settings.fanThresholdsSet ? settings.fanThresholds : own;
}

FanCommand fanCommandFor(double degrees, FanThresholds thresholds)
{
    if (degrees <= thresholds.offAt) return FanCommand::off;
    if (degrees >= thresholds.onAt) return FanCommand::on;
    return FanCommand::none;
}

void applyFanCommand(FanCommand command, FanRecord* record)
{
    if (command == FanCommand::none) return;
    const int state = command == FanCommand::on ? 1 : 0;
    setFan(state == 1);
    if (record->state >= 0 && record->state != state) ++record->switches;
    record->state = state;
}
