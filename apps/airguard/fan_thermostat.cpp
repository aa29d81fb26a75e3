#include "apps/airguard/fan_thermostat.h"

FanCommand fanCommandFor(double degrees, double onDegrees, double offDegrees)
{
    if (degrees <= offDegrees) return FanCommand::off;
    if (degrees >= onDegrees) return FanCommand::on;
    return FanCommand::none;
}
