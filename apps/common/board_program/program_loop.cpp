// SPDX-License-Identifier: MIT
#include "apps/common/board_program/program_loop.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "apps/common/board_program/board_program.h"
#include "apps/common/files/key_value_text.h"
#include "board/board_link.h"
#include "platform/stop_request.h"

namespace {

void takeReload(ProgramLoop& loop, const ProgramParts& parts)
{
    const HatkitSettings before = loop.settings;
    const ReloadResult result = reloadSettingsIfAsked(&loop.settings, loop.reader);
    if (result == ReloadResult::none) return;
    if (result == ReloadResult::applied) {
        ++loop.reloadsApplied;
        followMetricsSetting(parts.name, loop.settings);
    } else {
        ++loop.reloadsRejected;
    }
    if (parts.reloaded != nullptr) parts.reloaded(loop, result, before);
    // The LEDs as the settings now have them.
    if (result == ReloadResult::applied && parts.modesChanged != nullptr) parts.modesChanged(loop);
}

constexpr std::size_t kControlLimit = 4096;
constexpr unsigned kStateEveryMs = 10000;

// One look a pass (a stat) at the bridge's control file; read again only
// when it changed. A file that does not parse is refused whole, and the
// commands in force stay. True when they changed.
bool followCommands(ProgramLoop& loop)
{
    FileStamp stamp;
    const bool present = stampSystemFile(kControlPath, &stamp);
    if (present == loop.controlPresent && (!present || stamp == loop.controlStamp)) return false;
    loop.controlPresent = present;
    loop.controlStamp = stamp;
    Commands fresh;  // auto everywhere without the file
    if (present) {
        std::string text;
        std::string message;
        const FileRead read = readSmallFile(kControlPath, kControlName, kControlLimit, &text, &message);
        if (read == FileRead::failed || (read == FileRead::ok && !parseCommands(text.data(), text.size(), &fresh, &message))) {
            std::fprintf(stderr, "%s\n", message.c_str());
            return false;
        }
    }
    if (fresh == loop.commands) return false;
    loop.commands = fresh;
    return true;
}

void followModes(ProgramLoop& loop, const ProgramParts& parts)
{
    const bool quietChanged =
        parts.followsQuietHours && followQuietHours(loop.settings, &loop.quiet) != QuietChange::none;
    const bool commandsChanged = followCommands(loop);
    if ((quietChanged || commandsChanged) && parts.modesChanged != nullptr) parts.modesChanged(loop);
}

StateValues stateOf(const ProgramLoop& loop, const ProgramParts& parts)
{
    StateValues values;
    values.program = parts.name;
    values.pid = loop.pid;
    values.drivesFan = parts.drivesFan;
    values.fan = loop.fan.state;
    values.fanMode = loop.commands.fan;
    values.drivesLights = parts.drivesLights;
    values.drivesScreen = parts.drivesScreen;
    values.followsQuietHours = parts.followsQuietHours;
    values.quiet = loop.quiet;
    values.boardAnswering = boardWrites.lost == loop.boardLostAtState;
    if (parts.stateRows != nullptr) parts.stateRows(loop, &values);
    return values;
}

// What the bridge reacts to at once; the rest (temperature, load) waits
// for the next 10 seconds.
bool sameAtAGlance(const StateValues& a, const StateValues& b)
{
    return a.fan == b.fan && a.fanMode == b.fanMode && std::strcmp(a.light, b.light) == 0 &&
           a.lightBrightness == b.lightBrightness && std::strcmp(a.screen, b.screen) == 0 &&
           a.quiet == b.quiet && a.boardAnswering == b.boardAnswering;
}

void keepState(ProgramLoop& loop, const ProgramParts& parts)
{
    loop.msSinceState += parts.passMs;
    const StateValues values = stateOf(loop, parts);
    if (loop.stateWritten && loop.msSinceState < kStateEveryMs && sameAtAGlance(values, loop.lastState)) return;
    writeState(parts.name, values);
    loop.lastState = values;
    loop.stateWritten = true;
    loop.msSinceState = 0;
    loop.boardLostAtState = boardWrites.lost;
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

LightMode lightsWanted(const ProgramLoop& loop)
{
    LightMode wanted = loop.commands.light.kind != LightKind::automatic ? loop.commands.light : loop.settings.light;
    if (loop.commands.light.kind == LightKind::automatic && loop.quiet) wanted.kind = LightKind::off;
    wanted.brightness = loop.commands.brightness > 0 ? loop.commands.brightness : loop.settings.lightBrightness;
    return wanted;
}

FanCommand fanCommandOf(ProgramLoop& loop, double degrees, FanThresholds thresholds)
{
    switch (loop.commands.fan) {
    case FanMode::automatic: break;
    case FanMode::on: return FanCommand::on;
    case FanMode::off:
        if (degrees < kFanForcedAt) break;
        if (!loop.fanOverruled) {
            std::fprintf(stderr, "fan: kept off by command, but the CPU is at %.1fC: running it\n", degrees);
        }
        loop.fanOverruled = true;
        return FanCommand::on;
    }
    loop.fanOverruled = false;
    return loop.commands.fan == FanMode::off ? FanCommand::off : fanCommandFor(degrees, thresholds);
}

bool startProgram(ProgramLoop* loop, unsigned reader)
{
    loop->reader = reader;
    loop->pid = static_cast<int>(getpid());
    useLineBufferedOutput();
    reloadOnHangup();
    catchStopSignals();
    return loadSettingsOrReport(&loop->settings, reader);
}

PassEnd runOnePass(ProgramLoop& loop, const ProgramParts& parts)
{
    // The board first: it is owed what the last pass meant it to show,
    // before this pass's reload and quiet hours change that.
    recoverBoard(loop, parts);
    takeReload(loop, parts);
    followModes(loop, parts);
    const PassEnd end = parts.pass(loop);
    if (end != PassEnd::next) return end;
    ++loop.passes;
    if (metricsDue(parts.passMs)) writeMetricsOf(loop, parts);
    keepState(loop, parts);
    return pauseUnlessStopped(parts.lastPauseMs) ? PassEnd::next : PassEnd::stopped;
}

int runPasses(ProgramLoop& loop, const ProgramParts& parts)
{
    followMetricsSetting(parts.name, loop.settings);
    // The LEDs as the settings have them from the start (nothing is written
    // for the program's own).
    if (parts.modesChanged != nullptr) parts.modesChanged(loop);
    PassEnd end = PassEnd::next;
    while (end == PassEnd::next) end = runOnePass(loop, parts);
    if (end == PassEnd::stopped && parts.stopping != nullptr) parts.stopping(loop);
    removeMetrics();
    removeState();
    return end == PassEnd::failed ? kExitFailure : kExitStopped;
}
