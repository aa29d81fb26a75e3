#include "apps/airguard/fan_thermostat.h"

FanCommand fanCommandFor(double degrees)
{
    if (degrees <= kFanOffDegrees) return FanCommand::off;
    if (degrees >= kFanOnDegrees) return FanCommand::on;
    return FanCommand::none;
}
