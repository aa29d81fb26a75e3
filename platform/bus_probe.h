// SPDX-License-Identifier: MIT
// Whether a device answers on the bus, for a diagnosis while no program
// holds it: the gentlest transfer the adapter offers (an SMBus quick write,
// else a one-byte read, as i2cdetect asks), nothing written to a register.
#pragma once

enum class Probe { answers, silent, noBus };

Probe probeBusDevice(int address);
