// SPDX-License-Identifier: MIT
#include "apps/sysglance/fan_policy.h"

FanThresholds fanThresholdsFor(int boardModel)
{
    if (boardModel == 3) return {46.0, 40.0};
    return {55.0, 48.0};  // Pi 4, and any board not recognised
}

FanCommand decideFan(int boardModel, double temperature, double* fanMemory)
{
    return decideFan(fanThresholdsFor(boardModel), temperature, fanMemory);
}

FanCommand decideFan(FanThresholds thresholds, double temperature, double* fanMemory)
{
    const FanCommand command = fanCommandFor(temperature, thresholds);
    const double state = command == FanCommand::on ? 1.0 : 0.0;
    if (command == FanCommand::none || *fanMemory == state) return FanCommand::none;
    *fanMemory = state;
    return command;
}
