// SPDX-License-Identifier: MIT
// hatkit's own bus call beside the four wiringPi ones: a transfer of any
// number of bytes, and a tally that callers keep of what their writes met.
#pragma once

#include <cstdint>

// Sends count bytes to the device of an open link as one I2C write
// transaction. Returns 0 when the device acknowledged, -1 when it did not,
// when fd is not an open link, or when count is below 1.
//
// Where the adapter cannot do a plain I2C write, the first byte (a control
// byte or a register) leads each piece: SMBus I2C-block writes of up to 32
// of the following bytes, else one write-byte-data transaction for each.
// The SSD1306 reads both as the single transfer; a device that takes only
// register writes gets two-byte transfers anyway.
int i2cWriteBlock(int fd, const uint8_t* bytes, int count);

// How many transactions a caller sent to one device, and how many of them no
// device acknowledged. Counting changes nothing on the bus.
struct BusTally {
    uint32_t sent = 0;
    uint32_t lost = 0;
    // result: what the bus call returned (negative: not acknowledged).
    int count(int result)
    {
        ++sent;
        if (result < 0) ++lost;
        return result;
    }
};
