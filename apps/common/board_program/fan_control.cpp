// SPDX-License-Identifier: MIT
#include "apps/common/board_program/fan_control.h"

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

void driveFan(FanCommand command, FanWrites writes, FanRecord* record)
{
    if (command == FanCommand::none) return;
    const FanState state = command == FanCommand::on ? FanState::on : FanState::off;
    if (writes == FanWrites::changes && record->state == state) return;
    setFan(state == FanState::on);
    if (record->state != FanState::nothingWritten && record->state != state) ++record->switches;
    record->state = state;
}

void writeFanAgain(const FanRecord& record)
{
    if (record.state != FanState::nothingWritten) setFan(record.state == FanState::on);
}

int fanOnValue(const FanRecord& record)
{
    if (record.state == FanState::nothingWritten) return -1;
    return record.state == FanState::on ? 1 : 0;
}
