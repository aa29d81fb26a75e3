// SPDX-License-Identifier: MIT
#include "hatsim/scenario.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

namespace {

using hatsim::Action;
using hatsim::ActionKind;
using hatsim::ScenarioError;

std::vector<Action> parseOk(const std::string& text)
{
    std::vector<Action> actions;
    ScenarioError error;
    EXPECT_TRUE(hatsim::parseScenario(text, &actions, &error)) << "line " << error.line << ": " << error.message;
    return actions;
}

ScenarioError parseBad(const std::string& text)
{
    std::vector<Action> actions;
    ScenarioError error;
    EXPECT_FALSE(hatsim::parseScenario(text, &actions, &error)) << text;
    return error;
}

TEST(ScenarioParser, SkipsCommentsAndBlankLinesAndCountsThem)
{
    const auto actions = parseOk("# heading\n\n   # indented comment\n\t\n250 bus down\r\n  900 bus up\n");
    ASSERT_EQ(actions.size(), 2u);
    EXPECT_EQ(actions[0].ms, 250);
    EXPECT_EQ(actions[0].line, 5);
    EXPECT_EQ(actions[0].kind, ActionKind::busDown);
    EXPECT_EQ(actions[1].kind, ActionKind::busUp);
    EXPECT_EQ(actions[1].line, 6);
}

TEST(ScenarioParser, FileTextIsTheRestOfTheLineExactly)
{
    const auto actions = parseOk("0 file /proc/device-tree/model Raspberry Pi 3 Model B  Plus\n5 file /x\n");
    ASSERT_EQ(actions.size(), 2u);
    EXPECT_EQ(actions[0].path, "/proc/device-tree/model");
    EXPECT_EQ(actions[0].text, "Raspberry Pi 3 Model B  Plus");
    EXPECT_TRUE(actions[0].hasText);
    EXPECT_EQ(actions[1].path, "/x");
    EXPECT_FALSE(actions[1].hasText);
}

TEST(ScenarioParser, DeviceAddressesInHexOrDecimal)
{
    const auto actions = parseOk("0 device 0x0d absent\n1 device 60 present\n2 device 0x3C reset\n");
    EXPECT_EQ(actions[0].address, 0x0D);
    EXPECT_EQ(actions[0].kind, ActionKind::deviceAbsent);
    EXPECT_EQ(actions[1].address, 0x3C);
    EXPECT_EQ(actions[1].kind, ActionKind::devicePresent);
    EXPECT_EQ(actions[2].address, 0x3C);
    EXPECT_EQ(actions[2].kind, ActionKind::deviceReset);
}

TEST(ScenarioParser, CountersAndInterfaceLists)
{
    const auto actions = parseOk(
        "0 sysinfo 65536 1000 500 4096\n0 statfs 100 50 4096\n0 ifaddrs lo=127.0.0.1 eth0=fe80::1 wlan0=- "
        "eth0=192.168.1.20\n0 ifaddrs\n0 ifaddrs fail\n0 sysinfo fail\n0 statfs fail\n");
    ASSERT_EQ(actions.size(), 7u);
    EXPECT_EQ(actions[0].kind, ActionKind::sysinfoSet);
    EXPECT_EQ(actions[0].numbers[0], 65536u);
    EXPECT_EQ(actions[0].numbers[3], 4096u);
    EXPECT_EQ(actions[1].kind, ActionKind::statfsSet);
    EXPECT_EQ(actions[1].numbers[2], 4096u);
    ASSERT_EQ(actions[2].interfaces.size(), 4u);
    EXPECT_EQ(actions[2].interfaces[0].family, AF_INET);
    EXPECT_EQ(actions[2].interfaces[1].family, AF_INET6);
    EXPECT_EQ(actions[2].interfaces[2].family, AF_UNSPEC);
    EXPECT_EQ(actions[2].interfaces[3].name, "eth0");
    EXPECT_EQ(actions[2].interfaces[3].address[3], 20);
    EXPECT_TRUE(actions[3].interfaces.empty());
    EXPECT_EQ(actions[3].kind, ActionKind::ifaddrsSet);
    EXPECT_EQ(actions[4].kind, ActionKind::ifaddrsFail);
    EXPECT_EQ(actions[5].kind, ActionKind::sysinfoFail);
    EXPECT_EQ(actions[6].kind, ActionKind::statfsFail);
}

TEST(ScenarioParser, MalformedLinesAreNamed)
{
    const struct {
        const char* text;
        int line;
    } cases[] = {
        {"0 bogus\n", 1},
        {"# ok\nx bus up\n", 2},
        {"-5 bus up\n", 1},
        {"10\n", 1},
        {"10  bus up\n", 1},
        {"10 bus up \n", 1},
        {"10 bus sideways\n", 1},
        {"0 bus up\n10 device 0x80 absent\n", 2},
        {"10 device 0x0d gone\n", 1},
        {"10 file relative/path x\n", 1},
        {"10 file /sys/../../etc/passwd x\n", 1},
        {"10 file\n", 1},
        {"10 remove\n", 1},
        {"10 dir /a /b\n", 1},
        {"10 sysinfo 1 2 3\n", 1},
        {"10 sysinfo 1 2 3 -4\n", 1},
        {"10 sysinfo 1 2 3 99999999999999999999999\n", 1},
        {"10 statfs 1 2\n", 1},
        {"10 ifaddrs eth0\n", 1},
        {"10 ifaddrs eth0=300.1.1.1\n", 1},
        {"10 ifaddrs =1.2.3.4\n", 1},
        {"10 ifaddrs averyveryverylongname=1.2.3.4\n", 1},
        {"99999999999999999999 bus up\n", 1},
        {"10 signal TERM\n", 1},
    };
    for (const auto& c : cases) {
        const ScenarioError error = parseBad(c.text);
        EXPECT_EQ(error.line, c.line) << c.text;
        EXPECT_FALSE(error.message.empty());
    }
}

TEST(ScenarioParser, NulInsideALineIsRejected)
{
    const ScenarioError error = parseBad(std::string("0 bus up\n10 file /x a\0b\n", 25));
    EXPECT_EQ(error.line, 2);
}

}  // namespace
