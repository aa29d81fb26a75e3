// SPDX-License-Identifier: MIT
// What the three board programs share: console set-up, opening the board
// link, and reading the temperature or giving up with the fixed messages.
#pragma once

// Line-buffers standard output, so every line reaches a pipe or the journal
// when printed, even when the program is killed.
void useLineBufferedOutput();

// wiringPiSetup and the board link; false after "fail to init I2C".
bool openBoardLink();

// Reads the temperature; on failure prints the probe's message on standard
// error and returns false (the program then exits with status -1).
bool readTemperatureOrReport(int limit, double* degrees);

constexpr int kExitFailure = -1;
