#include "apps/sysglance/fan_policy.h"

FanThresholds fanThresholdsFor(int boardModel)
{
    if (boardModel == 3) return {46.0, 40.0};
    return {55.0, 48.0};  // Pi 4, and any board not recognised
}

FanWrite decideFan(int boardModel, double temperature, double* fanMemory)
{
    return decideFan(fanThresholdsFor(boardModel), temperature, fanMemory);
}

FanWrite decideFan(FanThresholds thresholds, double temperature, double* fanMemory)
{
    if (temperature >= thresholds.onAt) {
        if (*fanMemory == 1.0) return FanWrite::none;
        *fanMemory = 1.0;
        return FanWrite::on;
    }
    if (temperature <= thresholds.offAt) {
        if (*fanMemory == 0.0) return FanWrite::none;
        *fanMemory = 0.0;
        return FanWrite::off;
    }
    return FanWrite::none;
}
