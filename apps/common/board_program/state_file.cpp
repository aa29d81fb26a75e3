// SPDX-License-Identifier: MIT
#include "apps/common/board_program/state_file.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "apps/common/files/kept_file.h"
#include "apps/common/files/text_out.h"

namespace {

KeptFile file;
char folder[64];
char text[1024];
bool complained = false;

}  // namespace

int renderState(const StateValues& v, char* out, std::size_t size)
{
    TextOut t{out, size};
    t.add("program = %s\n", v.program);
    if (v.pid > 0) t.add("pid = %d\n", v.pid);
    if (v.temperatureKnown) t.add("temperature = %.1f\n", v.temperature);
    if (v.drivesFan) {
        if (v.fan != FanState::nothingWritten) t.add("fan = %s\n", v.fan == FanState::on ? "on" : "off");
        t.add("fan_mode = %s\n", fanModeName(v.fanMode));
        // Before its first switch the fan is neither: the owner is told where it switches.
        if (v.fanThresholds.onAt > 0.0) {
            t.add("fan_on_at = %.1f\nfan_off_at = %.1f\n", v.fanThresholds.onAt, v.fanThresholds.offAt);
        }
    }
    if (v.drivesLights) t.add("light = %s\nlight_brightness = %d\n", v.light, v.lightBrightness);
    if (v.drivesLights && v.lightColour[0] != '\0') t.add("light_colour = %s\n", v.lightColour);
    if (v.drivesScreen) t.add("screen = %s\npanel_answering = %s\n", v.screen, v.panelAnswering ? "yes" : "no");
    if (v.followsQuietHours) t.add("quiet_hours = %s\n", v.quiet ? "yes" : "no");
    t.add("board_answering = %s\n", v.boardAnswering ? "yes" : "no");
    if (v.hasStatus) {
        if (v.loadKnown) t.add("load = %.2f\n", v.load);
        if (v.cpuUsedPercent >= 0) t.add("cpu_used_percent = %d\n", v.cpuUsedPercent);
        if (v.ramKnown) t.add("ram_used_mb = %" PRIu64 "\n", v.ramUsedMb);
        if (v.diskKnown) t.add("disk_used_mb = %" PRIu64 "\n", v.diskUsedMb);
        // A '#' would start a comment; an address never holds one.
        if (v.address[0] != '\0' && std::strchr(v.address, '#') == nullptr) t.add("address = %s\n", v.address);
        if (v.panelPeakPixelHours >= 0.0) t.add("panel_peak_pixel_hours = %.3f\n", v.panelPeakPixelHours);
    }
    return t.ok ? static_cast<int>(size - t.left) : -1;
}

void writeState(const char* program, const StateValues& values)
{
    if (file.name[0] == '\0') {
        std::snprintf(file.name, sizeof file.name, "%s", kStateName);
        std::snprintf(folder, sizeof folder, "%s/%s", kStateFolder, program);
    }
    const int length = renderState(values, text, sizeof text);
    if (length < 0) return;
    if (keepFile(&file, folder, text, static_cast<std::size_t>(length))) return;
    // Outside systemd there is no such folder: that is no fault.
    if (errno != ENOENT && !complained) {
        std::fprintf(stderr, "state: cannot write %s/%s: %s\n", folder, file.name, std::strerror(errno));
        complained = true;
    }
}

void removeState() { dropFile(&file); }
