// SPDX-License-Identifier: MIT
// A platform for benchmarks: bus writes are only counted, pauses return at
// once, and the thermal file comes from a fixed temporary folder.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/counting_platform.h"
#include "platform/bus_transfer.h"
#include "platform/system_files.h"
#include "platform/wiring.h"

namespace {
long writes = 0;
std::string root;
}  // namespace

long countedWrites() { return writes; }

void setBenchRoot(const char* folder) { root = folder; }

extern "C" int wiringPiSetup(void) { return 0; }
extern "C" int wiringPiI2CSetup(const int devId) { return devId; }
extern "C" int wiringPiI2CWriteReg8(int, int, int)
{
    ++writes;
    return 0;
}
int i2cWriteBlock(int, const uint8_t*, int)
{
    ++writes;
    return 0;
}
extern "C" void delay(unsigned int) {}

int openSystemFile(const char* path) { return open((root + path).c_str(), O_RDONLY | O_CLOEXEC); }
