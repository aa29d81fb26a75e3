// SPDX-License-Identifier: MIT
#include <cstdio>
#include <string>

#include "tests/platform/wiringpi_standin/standin_log.h"
#include "wiringPi.h"
#include "wiringPiI2C.h"

namespace {
std::string log;

void record(const std::string& line) { log += line + '\n'; }
}  // namespace

extern "C" int wiringPiSetup(void)
{
    log += "setup\n";
    return 0;
}
extern "C" int wiringPiI2CSetup(const int devId)
{
    char address[8];
    std::snprintf(address, sizeof address, "%#x", devId);
    record(std::string("i2c-setup ") + address);
    return 1000;  // the bus descriptor of the test kernel stand-in
}
extern "C" int wiringPiI2CWriteReg8(int fd, int reg, int data)
{
    record("write " + std::to_string(fd) + " " + std::to_string(reg) + " " + std::to_string(data));
    return 0;
}
extern "C" void delay(unsigned int howLong) { record("delay " + std::to_string(howLong)); }
extern "C" const char* wiringPiStandinLog(void) { return log.c_str(); }
extern "C" void wiringPiStandinReset(void) { log.clear(); }
