// SPDX-License-Identifier: MIT
// The wiringPi flavour compiles against the library's headers and the board
// client's calls reach the library unchanged.
#include <gtest/gtest.h>

#include "board/board_link.h"
#include "platform/bus_transfer.h"
#include "platform/wiring.h"
#include "tests/platform/kernel_shim.h"
#include "tests/platform/wiringpi_standin/standin_log.h"

namespace {

TEST(WiringPiBackend, BoardCallsReachTheLibrary)
{
    wiringPiStandinReset();
    (void)wiringPiSetup();
    fd_i2c = wiringPiI2CSetup(kBoardAddress);
    closeRGB();
    delay(1);
    setRGB(1, 300, 2, 3);
    setFan(true);
    EXPECT_STREQ(wiringPiStandinLog(),
                 "setup\ni2c-setup 0xd\nwrite 1000 7 0\ndelay 1\n"
                 "write 1000 0 1\nwrite 1000 1 300\nwrite 1000 2 2\nwrite 1000 3 3\nwrite 1000 8 1\n");
    // A block goes through wiringPi's descriptor: one plain write.
    kernel_shim::reset();
    const uint8_t block[] = {0x40, 1, 2};
    EXPECT_EQ(i2cWriteBlock(fd_i2c, block, 3), 0);
    const auto& calls = kernel_shim::calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].name, "ioctl");  // I2C_FUNCS, once
    EXPECT_EQ(calls[1].name, "write");
    EXPECT_EQ(calls[1].bytes, (std::vector<int>{0x40, 1, 2}));
}

}  // namespace
