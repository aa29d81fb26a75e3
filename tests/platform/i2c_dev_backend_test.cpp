// SPDX-License-Identifier: MIT
// The i2c-dev backend, checked at the kernel boundary: what it opens, the
// ioctls it issues and the SMBus request libi2c builds from its arguments.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>

#include <csignal>

#include "platform/bus_transfer.h"
#include "platform/stop_request.h"
#include "platform/wiring.h"
#include "tests/platform/kernel_shim.h"

namespace {

using kernel_shim::Call;
using kernel_shim::kBusFd;

class I2cDevBackend : public ::testing::Test {
protected:
    void SetUp() override { kernel_shim::reset(); }
};

TEST_F(I2cDevBackend, SetupOpensBusOneReadWriteBindsTheAddressAndAsksTheAdapter)
{
    EXPECT_EQ(wiringPiSetup(), 0);
    EXPECT_EQ(wiringPiI2CSetup(0x0D), kBusFd);
    const auto& calls = kernel_shim::calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].name, "open");
    EXPECT_EQ(calls[0].path, "/dev/i2c-1");
    EXPECT_EQ(calls[0].flags & O_ACCMODE, O_RDWR);
    EXPECT_EQ(calls[1].name, "ioctl");
    EXPECT_EQ(calls[1].request, static_cast<unsigned long>(I2C_SLAVE));
    EXPECT_EQ(calls[1].argument, 0x0D);
    EXPECT_EQ(calls[2].request, static_cast<unsigned long>(I2C_FUNCS));
}

// A block of 40 bytes: one plain write where the adapter can, else
// I2C-block writes of up to 32 bytes led by the first, else byte writes.
TEST_F(I2cDevBackend, BlocksGoAsTheAdapterAllows)
{
    std::vector<int> block = {0x40};
    for (int i = 1; i < 40; ++i) block.push_back(i);
    const std::vector<uint8_t> bytes(block.begin(), block.end());
    std::vector<int> rest = {0x40};
    rest.insert(rest.end(), block.begin() + 33, block.end());
    const struct {
        unsigned long functions;
        std::size_t calls;
        std::vector<std::vector<int>> first;  // the first calls' bytes, the command first
    } cases[] = {
        {I2C_FUNC_I2C | I2C_FUNC_SMBUS_EMUL, 1, {block}},
        {I2C_FUNC_SMBUS_EMUL, 2, {std::vector<int>(block.begin(), block.begin() + 33), rest}},
        {I2C_FUNC_SMBUS_WRITE_BYTE_DATA, 39, {{0x40, 1}, {0x40, 2}}},
    };
    for (const auto& c : cases) {
        kernel_shim::setAdapterFunctions(c.functions);
        ASSERT_EQ(wiringPiI2CSetup(0x3C), kBusFd);
        kernel_shim::reset();
        EXPECT_EQ(i2cWriteBlock(kBusFd, bytes.data(), 40), 0);
        const auto& calls = kernel_shim::calls();
        ASSERT_EQ(calls.size(), c.calls) << c.functions;
        for (std::size_t i = 0; i < c.first.size(); ++i) {
            std::vector<int> got = calls[i].bytes;
            if (calls[i].name == "ioctl") {
                EXPECT_EQ(calls[i].size, got.empty() ? I2C_SMBUS_BYTE_DATA : I2C_SMBUS_I2C_BLOCK_BROKEN);
                if (got.empty()) got.push_back(calls[i].dataByte);
                got.insert(got.begin(), calls[i].command);
            }
            EXPECT_EQ(got, c.first[i]) << c.functions << " call " << i;
        }
        EXPECT_EQ(i2cWriteBlock(kBusFd, bytes.data(), 1), 0) << c.functions;
        kernel_shim::failSmbus(true);
        EXPECT_LT(i2cWriteBlock(kBusFd, bytes.data(), 40), 0) << c.functions;
        EXPECT_LT(i2cWriteBlock(kBusFd, bytes.data(), 1), 0) << c.functions;
        EXPECT_LT(i2cWriteBlock(kBusFd, bytes.data(), 0), 0);
        EXPECT_LT(i2cWriteBlock(-1, bytes.data(), 2), 0);
    }
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

// A stop that comes just before the sleep (here held back until then) is
// let in by the sleep and ends it; the signal mask is as it was after.
TEST_F(I2cDevBackend, AStopJustBeforeTheSleepEndsIt)
{
    catchStopSignals();
    sigset_t term;
    sigset_t before;
    sigset_t after;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    sigprocmask(SIG_BLOCK, &term, &before);
    raise(SIGTERM);
    delay(1500);
    EXPECT_TRUE(stopRequested());
    sigprocmask(SIG_SETMASK, &before, &after);
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGUSR1}) {
        EXPECT_EQ(sigismember(&after, signal), signal == SIGTERM ? 1 : sigismember(&before, signal)) << signal;
    }
}

TEST_F(I2cDevBackend, DelaySleepsTheWholeTimeAcrossSignals)
{
    // Two signals 300 ms apart: the sleep goes on for what is left of the
    // 1.5 s each time (at most; a slow machine leaves less), not all again.
    kernel_shim::interruptSleeps(2, 300);
    delay(1500);
    const auto& calls = kernel_shim::calls();
    ASSERT_EQ(calls.size(), 3u);
    const auto ms = [&](int i) { return calls[i].seconds * 1000 + calls[i].nanoseconds / 1000000; };
    EXPECT_GT(ms(0), 1000);
    EXPECT_LE(ms(0), 1500);
    EXPECT_LE(ms(1), 1200);
    EXPECT_LE(ms(2), 900);
    EXPECT_GT(ms(2), 0);
}

}  // namespace
