// SPDX-License-Identifier: MIT
#include "apps/runtime/program_loop.h"

#include "apps/board_program.h"
#include "board/board_link.h"
#include "platform/stop_request.h"

namespace {

void takeReload(ProgramLoop& loop, const ProgramParts& parts)
{
    const HatkitSettings before = loop.settings;
    const ReloadResult result = reloadSettingsIfAsked(&loop.settings);
    if (result == ReloadResult::none) return;
    if (result == ReloadResult::applied) {
        ++loop.reloadsApplied;
        followMetricsSetting(parts.name, loop.settings);
    } else {
        ++loop.reloadsRejected;
    }
    if (parts.reloaded != nullptr) parts.reloaded(loop, result, before);
}

void followQuiet(ProgramLoop& loop, const ProgramParts& parts)
{
    if (!parts.followsQuietHours) return;
    if (followQuietHours(loop.settings, &loop.quiet) != QuietChange::none && parts.quietChanged != nullptr) {
        parts.quietChanged(loop);
    }
}

// Writes lost since the last look mark the board; it gets the fan and the
// LEDs back each pass until a pass's writes are all acknowledged.
void recoverBoard(ProgramLoop& loop, const ProgramParts& parts)
{
    if (boardWrites.lost != loop.boardLostSeen) loop.boardLost = true;
    loop.boardLostSeen = boardWrites.lost;
    if (!loop.boardLost) return;
    writeFanAgain(loop.fan);
    if (parts.restoreLights != nullptr) parts.restoreLights(loop);
    loop.boardLost = boardWrites.lost != loop.boardLostSeen;
}

void writeMetricsOf(const ProgramLoop& loop, const ProgramParts& parts)
{
    MetricsValues values;
    values.program = parts.name;
    values.passes = loop.passes;
    values.boardWrites = &boardWrites;
    values.reloadsApplied = loop.reloadsApplied;
    values.reloadsRejected = loop.reloadsRejected;
    values.followsQuietHours = parts.followsQuietHours;
    values.quiet = loop.quiet;
    values.drivesFan = parts.drivesFan;
    values.fanOn = fanOnValue(loop.fan);
    values.fanSwitches = loop.fan.switches;
    if (parts.metricsRows != nullptr) parts.metricsRows(loop, &values);
    writeMetrics(values);
}

}  // namespace

bool startProgram(ProgramLoop* loop)
{
    useLineBufferedOutput();
    reloadOnHangup();
    catchStopSignals();
    return loadSettingsOrReport(&loop->settings);
}

PassEnd runOnePass(ProgramLoop& loop, const ProgramParts& parts)
{
    // The board first: it is owed what the last pass meant it to show,
    // before this pass's reload and quiet hours change that.
    recoverBoard(loop, parts);
    takeReload(loop, parts);
    followQuiet(loop, parts);
    const PassEnd end = parts.pass(loop);
    if (end != PassEnd::next) return end;
    ++loop.passes;
    if (metricsDue(parts.passMs)) writeMetricsOf(loop, parts);
    return pauseUnlessStopped(parts.lastPauseMs) ? PassEnd::next : PassEnd::stopped;
}

int runPasses(ProgramLoop& loop, const ProgramParts& parts)
{
    followMetricsSetting(parts.name, loop.settings);
    PassEnd end = PassEnd::next;
    while (end == PassEnd::next) end = runOnePass(loop, parts);
    removeMetrics();
    return end == PassEnd::failed ? kExitFailure : kExitStopped;
}
