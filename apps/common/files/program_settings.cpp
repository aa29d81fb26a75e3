// SPDX-License-Identifier: MIT
#include "apps/common/files/program_settings.h"

#include <csignal>
#include <cstdio>
#include <string>

#include "platform/stop_request.h"
#include "platform/time_of_day.h"

namespace {

volatile std::sig_atomic_t reloadAsked = 0;

void onHangup(int) { reloadAsked = 1; }

}  // namespace

bool loadSettingsOrReport(HatkitSettings* settings, unsigned reader)
{
    std::string message;
    if (loadSettings(settings, &message, reader)) return true;
    std::fprintf(stderr, "%s\n", message.c_str());
    return false;
}

void reloadOnHangup()
{
    // Started from a terminal (a shell over SSH), SIGHUP is that terminal
    // hanging up: the program ends with it rather than drive the bus on,
    // unseen, beside the service. The service manager gives no controlling
    // terminal, and there SIGHUP is systemctl reload.
    if (hasControllingTerminal()) {
        stopOnHangup();
        return;
    }
    struct sigaction action {};
    action.sa_handler = onHangup;
    sigemptyset(&action.sa_mask);
    // Pauses resume after the signal; the reload waits for the next pass.
    action.sa_flags = SA_RESTART;
    sigaction(SIGHUP, &action, nullptr);
}

bool quietNow(const HatkitSettings& settings)
{
    return settings.quietHoursSet && inQuietHours(settings, localSecondsOfDay());
}

QuietChange followQuietHours(const HatkitSettings& settings, bool* quiet)
{
    const bool now = quietNow(settings);
    if (now == *quiet) return QuietChange::none;
    *quiet = now;
    return now ? QuietChange::began : QuietChange::ended;
}

ReloadResult reloadSettingsIfAsked(HatkitSettings* settings, unsigned reader)
{
    if (reloadAsked == 0) return ReloadResult::none;
    reloadAsked = 0;
    HatkitSettings fresh;
    if (!loadSettingsOrReport(&fresh, reader)) return ReloadResult::rejected;
    *settings = fresh;
    return ReloadResult::applied;
}
