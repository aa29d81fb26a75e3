// SPDX-License-Identifier: MIT
// sysglance's start-up and its pass, kept apart from main so that a pass
// can be run and measured on its own.
#pragma once

#include <cstdint>

#include "apps/hatkit_conf.h"
#include "apps/program_settings.h"
#include "apps/sysglance/status_texts.h"

struct StatusLoop {
    StatusTexts texts;
    HatkitSettings settings;  // read before start-up, and again on SIGHUP
    double fanMemory;         // last fan state written: 1.0 on, 0.0 off, 2.0 none yet
    int effectCounter;        // passes since the rotation last restarted
    int currentEffect;        // the effect the rotation has reached
    bool quiet;               // within the quiet hours: panel and LEDs are off
    bool restoreEffect;       // the quiet hours just ended: the effect goes back on
    // display_updates = changes: a whole frame is due (start, reload, end of
    // the quiet hours), and the passes since the last one.
    bool wholeFrameDue;
    int passesSinceWholeFrame;
    // Writes were lost: the device is set up again once it answers.
    bool panelLost;
    bool boardLost;
    uint32_t panelLostSeen;  // the lost-write counts already looked at
    uint32_t boardLostSeen;
    // What only the metrics read.
    uint64_t passes;
    uint64_t temperatureFailures;
    uint64_t fanSwitches;  // fan writes that changed its state
    int effectWritten;     // the light effect last written; -1 none
    ReloadCounts reloads;
};

// Interface list, panel, board link (retried until it opens), first light
// effect, "init ok!". loop.settings must be loaded.
void startStatusPanel(StatusLoop& loop);
// One pass: sample, draw, push, fan, effect, metrics; about 1010 ms of
// pauses. In the quiet hours the panel and the LEDs stay off and only the
// fan is driven.
void runStatusPass(StatusLoop& loop);
