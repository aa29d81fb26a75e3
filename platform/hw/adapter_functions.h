// SPDX-License-Identifier: MIT
// What the I2C adapter behind an i2c-dev descriptor can do (I2C_FUNCS),
// asked once per descriptor and remembered.
#pragma once

// Asks the adapter (always when askAgain: a descriptor just opened may
// reuse the number of one that is gone) and remembers the answer.
unsigned long adapterFunctions(int fd, bool askAgain);
