// SPDX-License-Identifier: MIT
// sysglance's start-up and its pass, kept apart from main so that a pass
// can be run and measured on its own.
#pragma once

#include "apps/common/board_program/program_loop.h"

// Interface list, panel, board link (retried until it opens), first light
// effect, "init ok!". loop.settings must be loaded. False when a stop came
// while the board link was retried.
bool startSysglance(ProgramLoop& loop);

// What sysglance gives the program loop: a pass of sample, draw, push,
// fan and effect (about 1010 ms of pauses), and its part in reloads, quiet
// hours, recovery and metrics. In the quiet hours the panel and the LEDs
// stay off and only the fan is driven.
extern const ProgramParts kSysglance;
