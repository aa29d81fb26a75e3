// SPDX-License-Identifier: MIT
// What the board programs share: console set-up, opening the board link,
// pauses that a stop cuts short, and reading the temperature or giving up
// with the fixed messages.
#pragma once

#include "apps/common/files/commands.h"
#include "apps/common/files/hatkit_conf.h"

constexpr int kExitFailure = -1;
constexpr int kExitStopped = 0;

// Line-buffers standard output, so every line reaches a pipe or the journal
// when printed, even when the program is killed.
void useLineBufferedOutput();

enum class LinkAttempts { once, untilOpen };

// wiringPiSetup and the board link, the one place fd_i2c is set. Once: false
// after "fail to init I2C". Until open: the message after every attempt
// that follows a failed first one, and 500 ms between them; false only when
// a stop comes first.
bool openBoardLink(LinkAttempts attempts);

// delay(ms); false when a stop was asked for (the pause then ends at once):
// the program ends without another step.
bool pauseUnlessStopped(unsigned ms);

// The LEDs as an owner's command or setting has them: off, one steady
// colour on all three (the effect stopped first), or a built-in effect
// (startEffect). Nothing for automatic: that is the program's own.
void showCommandedLight(const LightMode& light, const HatkitSettings& settings);

// A built-in effect, then the settings' effect speed and colour number
// when they are given.
void startEffect(int effect, const HatkitSettings& settings);

// Reads the temperature; on failure prints the probe's message on standard
// error and returns false (the program then exits with status -1).
bool readTemperatureOrReport(int limit, double* degrees);
