// sysglance's start-up and its pass, kept apart from main so that a pass
// can be run and measured on its own.
#pragma once

#include "apps/sysglance/status_texts.h"

struct StatusLoop {
    StatusTexts texts;
    double fanMemory;   // last fan state written: 1.0 on, 0.0 off, 2.0 none yet
    int effectCounter;  // passes since the rotation last restarted
};

// Interface list, panel, board link (retried until it opens), first light
// effect, "init ok!".
void startStatusPanel(StatusLoop& loop);
// One pass: sample, draw, push, fan, effect; about 1010 ms of pauses.
void runStatusPass(StatusLoop& loop);
