// SPDX-License-Identifier: MIT
#include "apps/common/board_program/metrics.h"

#include <cerrno>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "apps/common/files/kept_file.h"
#include "apps/common/files/text_out.h"

#ifndef HATKIT_VERSION
#define HATKIT_VERSION "unknown"
#endif

namespace {

constexpr unsigned kWriteEveryMs = 10000;
constexpr unsigned kComplainEveryMs = 60000;

char folderPath[kMetricsDirSize] = "";  // "" when no file is kept
KeptFile file;
bool dueNow = false;
unsigned msSinceWrite = 0;
bool complained = false;
unsigned msSinceComplaint = 0;
char text[8192];

// A label value: backslash, double quote and line end escaped.
void escapeLabel(const char* value, char* out, std::size_t size)
{
    std::size_t n = 0;
    for (; *value != '\0' && n + 2 < size; ++value) {
        const char c = *value;
        if (c == '\\' || c == '"' || c == '\n') {
            out[n++] = '\\';
            out[n++] = c == '\n' ? 'n' : c;
        } else {
            out[n++] = c;
        }
    }
    out[n] = '\0';
}

void addBusWrites(TextOut& out, const char* program, const char* device, const BusTally& tally, bool lost)
{
    out.add("hatkit_bus_writes%s_total{program=\"%s\",device=\"%s\"} %" PRIu32 "\n", lost ? "_lost" : "", program,
            device, lost ? tally.lost : tally.sent);
}

void complain(const char* why)
{
    if (complained && msSinceComplaint < kComplainEveryMs) return;
    std::fprintf(stderr, "metrics_dir: cannot write %s/%s: %s\n", folderPath, file.name, why);
    complained = true;
    msSinceComplaint = 0;
}

}  // namespace

int renderMetrics(const MetricsValues& v, char* out, std::size_t size)
{
    TextOut t{out, size};
    const char* p = v.program;
    char model[160];
    escapeLabel(v.model, model, sizeof model);
    t.family("hatkit_info", "gauge", "The hatkit version of the program, and the board model it read (sysglance).");
    t.add("hatkit_info{program=\"%s\",version=\"%s\",model=\"%s\"} 1\n", p, HATKIT_VERSION, model);
    t.family("hatkit_passes_total", "counter", "Passes of the program's loop.");
    t.add("hatkit_passes_total{program=\"%s\"} %" PRIu64 "\n", p, v.passes);
    if (v.temperatureKnown) {
        t.family("hatkit_temperature_celsius", "gauge", "The last good CPU temperature reading.");
        t.add("hatkit_temperature_celsius{program=\"%s\"} %.3f\n", p, v.temperature);
    }
    t.family("hatkit_temperature_read_failures_total", "counter", "CPU temperature readings that failed.");
    t.add("hatkit_temperature_read_failures_total{program=\"%s\"} %" PRIu64 "\n", p, v.temperatureFailures);
    if (v.drivesFan) {
        if (v.fanOn >= 0) {
            t.family("hatkit_fan_on", "gauge", "The fan state last written: 1 on, 0 off.");
            t.add("hatkit_fan_on{program=\"%s\"} %d\n", p, v.fanOn);
        }
        t.family("hatkit_fan_on_threshold_celsius", "gauge", "The fan is switched on at or above this temperature.");
        t.add("hatkit_fan_on_threshold_celsius{program=\"%s\"} %g\n", p, v.fanThresholds.onAt);
        t.family("hatkit_fan_off_threshold_celsius", "gauge", "The fan is switched off at or below this temperature.");
        t.add("hatkit_fan_off_threshold_celsius{program=\"%s\"} %g\n", p, v.fanThresholds.offAt);
        t.family("hatkit_fan_switches_total", "counter", "Fan writes that changed its state.");
        t.add("hatkit_fan_switches_total{program=\"%s\"} %" PRIu64 "\n", p, v.fanSwitches);
    }
    for (bool lost : {false, true}) {
        t.family(lost ? "hatkit_bus_writes_lost_total" : "hatkit_bus_writes_total", "counter",
                 lost ? "Bus transactions that no device acknowledged." : "Bus transactions sent, by device.");
        if (v.boardWrites != nullptr) addBusWrites(t, p, "board", *v.boardWrites, lost);
        if (v.panelWrites != nullptr) addBusWrites(t, p, "panel", *v.panelWrites, lost);
    }
    if (v.followsQuietHours) {
        t.family("hatkit_quiet_hours_active", "gauge", "1 within the quiet hours of hatkit.conf.");
        t.add("hatkit_quiet_hours_active{program=\"%s\"} %d\n", p, v.quiet ? 1 : 0);
    }
    if (v.lightEffect >= 0) {
        t.family("hatkit_light_effect", "gauge", "The light effect last written.");
        t.add("hatkit_light_effect{program=\"%s\"} %d\n", p, v.lightEffect);
    }
    if (v.panelPeakPixelHours >= 0.0) {
        // Prometheus counts time in seconds; the state keeps the owner's hours.
        t.family("hatkit_panel_peak_pixel_seconds", "gauge",
                 "The panel's most-lit pixel since start: seconds lit, weighted by contrast / 255.");
        t.add("hatkit_panel_peak_pixel_seconds{program=\"%s\"} %.3f\n", p, v.panelPeakPixelHours * 3600.0);
    }
    if (v.heatBand >= 0) {
        t.family("hatkit_heat_band", "gauge", "The heat colour band last painted, 0 the coolest.");
        t.add("hatkit_heat_band{program=\"%s\"} %d\n", p, v.heatBand);
    }
    t.family("hatkit_settings_reloads_total", "counter", "Settings reloads on SIGHUP, applied or rejected.");
    t.add("hatkit_settings_reloads_total{program=\"%s\",result=\"applied\"} %" PRIu64 "\n", p, v.reloadsApplied);
    t.add("hatkit_settings_reloads_total{program=\"%s\",result=\"rejected\"} %" PRIu64 "\n", p, v.reloadsRejected);
    return t.ok ? static_cast<int>(size - t.left) : -1;
}

void followMetricsSetting(const char* program, const HatkitSettings& settings)
{
    std::snprintf(file.name, sizeof file.name, "hatkit-%s.prom", program);
    if (std::strcmp(settings.metricsDir, folderPath) == 0) return;
    removeMetrics();
    std::snprintf(folderPath, sizeof folderPath, "%s", settings.metricsDir);
    dueNow = folderPath[0] != '\0';
    msSinceWrite = 0;
    complained = false;
}

bool metricsDue(unsigned passMs)
{
    if (folderPath[0] == '\0') return false;
    if (msSinceComplaint < kComplainEveryMs) msSinceComplaint += passMs;
    msSinceWrite += passMs;
    if (!dueNow && msSinceWrite < kWriteEveryMs) return false;
    dueNow = false;
    msSinceWrite = 0;
    return true;
}

void writeMetrics(const MetricsValues& values)
{
    const int length = renderMetrics(values, text, sizeof text);
    if (length < 0) {
        complain("too much to say");
    } else if (!keepFile(&file, folderPath, text, static_cast<std::size_t>(length))) {
        complain(std::strerror(errno));
    }
}

void removeMetrics() { dropFile(&file); }
