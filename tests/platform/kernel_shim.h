// SPDX-License-Identifier: MIT
// Stands in for the kernel under the i2c-dev backend: open, ioctl and close
// on the bus device, and sleeps, are recorded and answered here; every other
// call goes on to the C library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kernel_shim {

constexpr int kBusFd = 1000;

struct Call {
    std::string name;       // "open", "ioctl", "write", "close", "sleep"
    std::string path;       // open
    int flags = 0;          // open
    int fd = -1;            // ioctl, close
    unsigned long request = 0;  // ioctl
    long argument = 0;      // ioctl I2C_SLAVE: the address
    // ioctl I2C_SMBUS: the request the library built
    int readWrite = -1;
    int command = -1;
    int size = -1;
    int dataByte = -1;
    std::vector<int> bytes;  // write: the bytes; I2C_SMBUS I2C-block write: the block after the command
    long seconds = 0, nanoseconds = 0;  // sleep: the time asked for
};

void reset();
const std::vector<Call>& calls();

// Failures to inject: opening the bus, binding the address, SMBus writes.
void failOpen(bool fail);
void failSlaveIoctl(bool fail);
void failSmbus(bool fail);  // and plain writes
// What I2C_FUNCS answers; by default what the Pi's adapter can do.
void setAdapterFunctions(unsigned long functions);
// The next `count` sleeps are interrupted after `sliceMs` of real time.
void interruptSleeps(int count, long sliceMs);

}  // namespace kernel_shim
