// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <sys/ioctl.h>
#include <unistd.h>

extern "C" {
#include <i2c/smbus.h>
}

#include "platform/bus_probe.h"

Probe probeBusDevice(int address)
{
    const int fd = open("/dev/i2c-1", O_RDWR | O_CLOEXEC);
    if (fd < 0) return Probe::noBus;
    unsigned long functions = 0;
    Probe result = Probe::silent;
    if (ioctl(fd, I2C_FUNCS, &functions) == 0 && ioctl(fd, I2C_SLAVE, address) == 0) {
        const int answer = (functions & I2C_FUNC_SMBUS_QUICK) != 0 ? i2c_smbus_write_quick(fd, I2C_SMBUS_WRITE)
                                                                   : i2c_smbus_read_byte(fd);
        if (answer >= 0) result = Probe::answers;
    }
    close(fd);
    return result;
}
