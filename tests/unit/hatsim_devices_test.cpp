// SPDX-License-Identifier: MIT
// The emulated bus and board controller, and the scenario actions that
// change the virtual root, seen through the trace.
#include <gtest/gtest.h>

#include <fstream>

#include "hatsim/board_controller.h"
#include "hatsim/bus.h"
#include "hatsim/clock.h"
#include "hatsim/heat_model.h"
#include "hatsim/scenario_runner.h"
#include "hatsim/trace.h"
#include "hatsim/virtual_root.h"
#include "tests/support/temp_folder.h"

namespace {

class HatsimDevices : public ::testing::Test {
protected:
    void SetUp() override
    {
        hatsim::resetBus();
        hatsim::resetBoardController();
        hatsim::resetVirtualClock();
        hatsim::clearScenario();
        ASSERT_TRUE(hatsim::openTrace(folder.file("trace").c_str()));
    }
    void TearDown() override { hatsim::closeTrace(); }
    std::string traceText() { return folder.read("trace"); }

    TempFolder folder;
};

TEST_F(HatsimDevices, WritesAreTracedAsBusBytes)
{
    const int handle = hatsim::openLink(0x0D);
    EXPECT_EQ(handle, 3);
    EXPECT_EQ(hatsim::writeLink(handle, 1, 0x1FF), 0);
    hatsim::advanceVirtualClock(25);
    EXPECT_EQ(hatsim::writeLink(handle, -1, -2), 0);
    EXPECT_EQ(hatsim::writeLink(99, 8, 1), -1);
    EXPECT_EQ(hatsim::writeLink(-1, 8, 1), -1);
    const uint8_t bytes[] = {8, 1, 2};
    EXPECT_EQ(hatsim::sendLink(handle, bytes, 2), 0);
    EXPECT_EQ(hatsim::sendLink(handle, bytes, 3), 0);
    EXPECT_EQ(hatsim::sendLink(handle, bytes, 0), -1);
    EXPECT_EQ(hatsim::sendLink(99, bytes, 1), -1);
    EXPECT_EQ(traceText(),
              "0 open 0x0d 3\n"
              "0 write 0x0d 0x01 0xff\n"
              "25 write 0x0d 0xff 0xfe\n"
              "25 warn board 0x0d: no register 0xff\n"
              "25 write - 0x08 0x01 lost\n"
              "25 write - 0x08 0x01 lost\n"
              "25 write 0x0d 0x08 0x01\n"
              "25 send 0x0d 0x08 0x01 0x02\n"
              "25 warn board 0x0d: a transfer of 3 bytes, not a register write\n"
              "25 send - 0x08 lost\n");
    EXPECT_EQ(hatsim::boardControllerState().fan, 1);
}

TEST_F(HatsimDevices, BusDownFailsOpeningButKeepsOpenLinks)
{
    const int board = hatsim::openLink(0x0D);
    hatsim::setBusUp(false);
    EXPECT_EQ(hatsim::openLink(0x3C), -1);
    EXPECT_EQ(hatsim::writeLink(board, 8, 1), 0);
    hatsim::setBusUp(true);
    EXPECT_EQ(hatsim::openLink(0x3C), 4);
    EXPECT_EQ(hatsim::openLink(0x80), -1);
    EXPECT_EQ(traceText(),
              "0 open 0x0d 3\n0 open 0x3c -1\n0 write 0x0d 0x08 0x01\n0 open 0x3c 4\n0 open 0x80 -1\n");
}

TEST_F(HatsimDevices, AbsentDeviceLosesWritesUntilPresentAgain)
{
    const int board = hatsim::openLink(0x0D);
    hatsim::setDevicePresent(0x0D, false);
    EXPECT_EQ(hatsim::writeLink(board, 8, 1), -1);
    EXPECT_EQ(hatsim::boardControllerState().fan, hatsim::kFanUnknown);
    hatsim::setDevicePresent(0x0D, true);
    EXPECT_EQ(hatsim::writeLink(board, 8, 1), 0);
    EXPECT_EQ(hatsim::boardControllerState().fan, 1);
    // A reset puts the controller back to power-on; it stays present.
    hatsim::resetDevice(0x0D);
    EXPECT_EQ(hatsim::boardControllerState().fan, hatsim::kFanUnknown);
    EXPECT_EQ(hatsim::writeLink(board, 8, 0), 0);
    // A reset bus has every device present again.
    hatsim::setDevicePresent(0x0D, false);
    hatsim::resetBus();
    EXPECT_EQ(hatsim::writeLink(hatsim::openLink(0x0D), 8, 0), 0);
    const int nobody = hatsim::openLink(0x20);
    EXPECT_EQ(hatsim::writeLink(nobody, 0, 0), -1);
    EXPECT_NE(traceText().find("0 write 0x0d 0x08 0x01 lost\n0 write 0x0d 0x08 0x01\n"), std::string::npos);
    EXPECT_NE(traceText().find("0 write 0x20 0x00 0x00 lost\n"), std::string::npos);
}

TEST(BoardController, SelectDecidesWhichLedsTakeTheLevels)
{
    hatsim::resetBoardController();
    auto write = hatsim::boardControllerWrite;
    write(0, 1);
    write(1, 10);
    write(0, 0xFF);
    write(3, 200);
    write(0, 7);  // any value above 2 means all LEDs
    write(2, 5);
    const auto& s = hatsim::boardControllerState();
    EXPECT_EQ(s.level[1][0], 10);
    EXPECT_EQ(s.level[0][0], 0);
    for (int led = 0; led < 3; ++led) {
        EXPECT_EQ(s.level[led][2], 200);
        EXPECT_EQ(s.level[led][1], 5);
    }
    write(4, 2);
    write(5, 3);
    write(6, 4);
    EXPECT_TRUE(s.effectRunning);
    EXPECT_EQ(s.effect, 2);
    EXPECT_EQ(s.effectSpeed, 3);
    EXPECT_EQ(s.effectColour, 4);
    write(7, 0);
    EXPECT_FALSE(s.effectRunning);
    EXPECT_EQ(s.level[1][0], 0);
    write(8, 0);
    EXPECT_EQ(s.fan, 0);
    write(8, 0x40);
    EXPECT_EQ(s.fan, 1);
}

TEST_F(HatsimDevices, ScenarioActionsChangeTheRootWhenDue)
{
    std::string why;
    folder.write("root/keep", "");
    ASSERT_TRUE(hatsim::setUpRoot(folder.file("root").c_str(), &why)) << why;
    folder.write("script",
                 "0 file /sys/t 42000\n"
                 "100 file /sys/t\n"
                 "200 dir /sys/t\n"
                 "300 remove /sys/t\n"
                 "300 file /proc/deep/er/m  two  spaces\n");
    std::string message;
    ASSERT_TRUE(hatsim::loadScenario(folder.file("script").c_str(), &message)) << message;
    hatsim::runDueActions(0);
    EXPECT_EQ(folder.read("root/sys/t"), "42000\n");
    hatsim::runDueActions(150);
    EXPECT_EQ(folder.read("root/sys/t"), "");
    hatsim::runDueActions(250);
    std::ifstream dir(folder.file("root/sys/t"));
    EXPECT_TRUE(dir.is_open());
    hatsim::runDueActions(10000);
    EXPECT_FALSE(std::ifstream(folder.file("root/sys/t")).is_open());
    EXPECT_EQ(folder.read("root/proc/deep/er/m"), " two  spaces\n");
}

TEST_F(HatsimDevices, UnreadableOrMalformedScenarioNamesTheProblem)
{
    std::string message;
    EXPECT_FALSE(hatsim::loadScenario(folder.file("missing").c_str(), &message));
    EXPECT_NE(message.find("missing"), std::string::npos);
    folder.write("script", "0 bus up\n\n7 fan on\n");
    EXPECT_FALSE(hatsim::loadScenario(folder.file("script").c_str(), &message));
    EXPECT_NE(message.find("line 3"), std::string::npos) << message;
}

TEST(HeatModel, WarmsWithTheFanOffAndCoolsWithItOn)
{
    double t = hatsim::kDemoStartDegrees;
    double seconds = 0;
    while (t < 55.0 && seconds < 120) t = hatsim::heatStep(t, 1.0, false), seconds += 1;
    EXPECT_GT(seconds, 5);
    EXPECT_LT(seconds, 40);
    const double hot = t;
    EXPECT_LT(hatsim::heatStep(hot, 5.0, true), hot - 2.0);
    EXPECT_DOUBLE_EQ(hatsim::heatStep(hot, 0.0, true), hot);
    EXPECT_LT(hatsim::heatStep(hot, 1e9, false), hatsim::kHotDegrees + 1e-9);
}

}  // namespace
