// The i2c-dev backend, checked at the kernel boundary: what it opens, the
// ioctls it issues and the SMBus request libi2c builds from its arguments.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>

#include "platform/wiring.h"
#include "tests/platform/kernel_shim.h"

namespace {

using kernel_shim::Call;
using kernel_shim::kBusFd;

class I2cDevBackend : public ::testing::Test {
protected:
    void SetUp() override { kernel_shim::reset(); }
};

TEST_F(I2cDevBackend, SetupOpensBusOneReadWriteAndBindsTheAddress)
{
    EXPECT_EQ(wiringPiSetup(), 0);
    EXPECT_EQ(wiringPiI2CSetup(0x0D), kBusFd);
    const auto& calls = kernel_shim::calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].name, "open");
    EXPECT_EQ(calls[0].path, "/dev/i2c-1");
    EXPECT_EQ(calls[0].flags & O_ACCMODE, O_RDWR);
    EXPECT_EQ(calls[1].name, "ioctl");
    EXPECT_EQ(calls[1].request, static_cast<unsigned long>(I2C_SLAVE));
    EXPECT_EQ(calls[1].argument, 0x0D);
}

TEST_F(I2cDevBackend, SetupFailuresReturnNegativeAndLeakNoDescriptor)
{
    kernel_shim::failOpen(true);
    EXPECT_LT(wiringPiI2CSetup(0x3C), 0);
    kernel_shim::reset();
    kernel_shim::failSlaveIoctl(true);
    EXPECT_LT(wiringPiI2CSetup(0x3C), 0);
    const auto& calls = kernel_shim::calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].name, "close");
    EXPECT_EQ(calls[2].fd, kBusFd);
}

TEST_F(I2cDevBackend, WriteIsOneSmbusWriteByteDataWithTheLowBits)
{
    EXPECT_EQ(wiringPiI2CWriteReg8(kBusFd, 0x108, 0x1FF), 0);
    const auto& calls = kernel_shim::calls();
    ASSERT_EQ(calls.size(), 1u);
    const Call& call = calls[0];
    EXPECT_EQ(call.request, static_cast<unsigned long>(I2C_SMBUS));
    EXPECT_EQ(call.readWrite, I2C_SMBUS_WRITE);
    EXPECT_EQ(call.command, 0x08);
    EXPECT_EQ(call.size, I2C_SMBUS_BYTE_DATA);
    EXPECT_EQ(call.dataByte, 0xFF);
}

TEST_F(I2cDevBackend, WriteFailureIsReportedAsNegative)
{
    kernel_shim::failSmbus(true);
    EXPECT_LT(wiringPiI2CWriteReg8(kBusFd, 8, 1), 0);
}

TEST_F(I2cDevBackend, DelaySleepsTheWholeTimeAcrossSignals)
{
    kernel_shim::interruptSleeps(2, 300);
    delay(1500);
    const auto& calls = kernel_shim::calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].seconds, 1);
    EXPECT_EQ(calls[0].nanoseconds, 500000000L);
    EXPECT_EQ(calls[1].seconds, 1);
    EXPECT_EQ(calls[1].nanoseconds, 200000000L);
    EXPECT_EQ(calls[2].seconds, 0);
    EXPECT_EQ(calls[2].nanoseconds, 900000000L);
}

}  // namespace
