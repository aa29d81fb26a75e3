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

void applyFanCommand(FanCommand command)
{
    if (command != FanCommand::none) setFan(command == FanCommand::on);
}
