// SPDX-License-Identifier: MIT
// The wiringPi bus calls over Linux i2c-dev, for systems without wiringPi
// (current Raspberry Pi OS no longer ships it).
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <sys/ioctl.h>
#include <unistd.h>

extern "C" {
#include <i2c/smbus.h>
}

#include "platform/hw/adapter_functions.h"
#include "platform/wiring.h"

namespace {
constexpr const char* kBusDevice = "/dev/i2c-1";
}

extern "C" int wiringPiSetup(void) { return 0; }

extern "C" int wiringPiI2CSetup(const int devId)
{
    const int fd = open(kBusDevice, O_RDWR | O_CLOEXEC);
    if (fd < 0) return -1;
    if (ioctl(fd, I2C_SLAVE, devId) < 0) {
        close(fd);
        return -1;
    }
    // Block transfers choose how to send from what the adapter can do.
    (void)adapterFunctions(fd, true);
    return fd;
}

extern "C" int wiringPiI2CWriteReg8(int fd, int reg, int data)
{
    // The bus carries the low 8 bits of register and value.
    return i2c_smbus_write_byte_data(fd, static_cast<__u8>(reg & 0xFF), static_cast<__u8>(data & 0xFF));
}
