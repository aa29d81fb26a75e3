// The wiringPi flavour compiles against the library's headers and the board
// client's calls reach the library unchanged.
#include <gtest/gtest.h>

#include "board/board_link.h"
#include "platform/wiring.h"
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
                 "setup\ni2c-setup 0xd\nwrite 42 7 0\ndelay 1\n"
                 "write 42 0 1\nwrite 42 1 300\nwrite 42 2 2\nwrite 42 3 3\nwrite 42 8 1\n");
}

}  // namespace
