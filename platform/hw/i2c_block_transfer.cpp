// SPDX-License-Identifier: MIT
// Block transfers on a Linux i2c-dev descriptor, for both hardware backends:
// the descriptor comes from our own open or from wiringPi's.
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <sys/ioctl.h>
#include <unistd.h>

extern "C" {
#include <i2c/smbus.h>
}

#include "platform/bus_transfer.h"
#include "platform/hw/adapter_functions.h"

namespace {

constexpr int kSmbusBlockMax = I2C_SMBUS_BLOCK_MAX;  // 32

// A program opens a link or two and keeps them: a few remembered
// descriptors are enough; any others are asked each time.
constexpr int kRemembered = 8;
struct Adapter {
    int fd = -1;
    unsigned long functions = 0;
};
Adapter adapters[kRemembered];

unsigned long askAdapter(int fd)
{
    unsigned long functions = 0;
    if (ioctl(fd, I2C_FUNCS, &functions) < 0) return 0;
    return functions;
}

int writeInSmbusBlocks(int fd, const uint8_t* bytes, int count)
{
    if (count == 1) return i2c_smbus_write_byte(fd, bytes[0]) < 0 ? -1 : 0;
    for (int at = 1; at < count; at += kSmbusBlockMax) {
        const int length = count - at < kSmbusBlockMax ? count - at : kSmbusBlockMax;
        if (i2c_smbus_write_i2c_block_data(fd, bytes[0], static_cast<__u8>(length), bytes + at) < 0) return -1;
    }
    return 0;
}

int writeInBytes(int fd, const uint8_t* bytes, int count)
{
    if (count == 1) return i2c_smbus_write_byte(fd, bytes[0]) < 0 ? -1 : 0;
    for (int at = 1; at < count; ++at) {
        if (i2c_smbus_write_byte_data(fd, bytes[0], bytes[at]) < 0) return -1;
    }
    return 0;
}

}  // namespace

unsigned long adapterFunctions(int fd, bool askAgain)
{
    Adapter* slot = nullptr;
    for (Adapter& adapter : adapters) {
        if (adapter.fd == fd) {
            if (!askAgain) return adapter.functions;
            slot = &adapter;
            break;
        }
        if (adapter.fd < 0 && slot == nullptr) slot = &adapter;
    }
    const unsigned long functions = askAdapter(fd);
    if (slot != nullptr) *slot = {fd, functions};
    return functions;
}

int i2cWriteBlock(int fd, const uint8_t* bytes, int count)
{
    if (fd < 0 || bytes == nullptr || count < 1) return -1;
    const unsigned long functions = adapterFunctions(fd, false);
    if ((functions & I2C_FUNC_I2C) != 0) {
        // One plain write: START, the address bound to fd, every byte, STOP.
        return write(fd, bytes, static_cast<size_t>(count)) == count ? 0 : -1;
    }
    if ((functions & I2C_FUNC_SMBUS_WRITE_I2C_BLOCK) != 0) return writeInSmbusBlocks(fd, bytes, count);
    return writeInBytes(fd, bytes, count);
}
