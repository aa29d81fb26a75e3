// SPDX-License-Identifier: MIT
// sysglance under valgrind for thousands of passes on hatsim, with
// interface lists that change and never match, so that the list is fetched
// again every pass, and a thermal file that cannot be read: no error (no
// use of bytes a failed read never wrote), no leak, and nothing grows with
// the passes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include <algorithm>
#include <regex>
#include <string>

#include "tests/scenario/hatsim_run.h"

namespace {

const char* kScript =
    "0 sysinfo 65536 1000000 500000 4096\n"
    "0 statfs 15000000 7500000 4096\n"
    "0 file /proc/device-tree/model Raspberry Pi 3 Model A Plus Rev 1.0\n"
    "0 file /sys/class/thermal/thermal_zone0/temp 50000\n"
    "0 file /proc/stat cpu  100 0 100 800 0 0 0 0\n"
    "0 ifaddrs lo=127.0.0.1\n"
    "150000 dir /sys/class/thermal/thermal_zone0/temp\n"
    "100000 ifaddrs lo=127.0.0.1 wlan0=fe80::1 eth1=10.1.1.1\n"
    "200000 ifaddrs lo=127.0.0.1 wlan0=- eth0=fe80::2 usb0=10.2.2.2\n";

bool haveValgrind()
{
#ifdef HATKIT_SANITIZED
    return false;  // valgrind and the sanitizers' runtime do not mix
#else
    // The host's valgrind cannot run the target's programs under an emulator.
    const char* emulator = std::getenv("HATKIT_TEST_EMULATOR");
    if (emulator != nullptr && *emulator != '\0') return false;
    return access("/usr/bin/valgrind", X_OK) == 0;
#endif
}

struct Usage {
    long inUseBytes = -1;
    long allocations = -1;
    long openFiles = -1;  // descriptors open at exit
};

long numberAfter(const std::string& log, const char* pattern)
{
    std::smatch match;
    if (!std::regex_search(log, match, std::regex(pattern))) return -1;
    std::string digits = match[1];
    digits.erase(std::remove(digits.begin(), digits.end(), ','), digits.end());
    return std::stol(digits);
}

Usage runUnderValgrind(int passes, const std::string& extraScript, ProgramRun* run)
{
    TempFolder folder;
    folder.write("script", std::string(kScript) + extraScript);
    folder.write("root/.keep", "");
    // The descriptors hatsim keeps to the end (its root, its trace) are
    // counted below, not errors: valgrind 3.24 and later call them errors.
    folder.write("fds.supp", "{\n   kept-to-the-end\n   CoreError:FdNotClosed\n   ...\n   fun:main\n}\n");
    const std::vector<std::string> env = {
        "HATSIM_ROOT=" + folder.file("root"), "HATSIM_SCRIPT=" + folder.file("script"), "HATSIM_SPEED=0",
        "HATSIM_VIEW=0", "HATSIM_END_MS=" + std::to_string(passes * 1010),
    };
    *run = runProgram("/usr/bin/valgrind", env, 300000,
                      {"--leak-check=full", "--errors-for-leak-kinds=definite,indirect,possible", "--error-exitcode=9",
                       "--track-fds=yes", "--suppressions=" + folder.file("fds.supp"),
                       "--log-file=" + folder.file("valgrind.log"), simProgram("sysglance")});
    const std::string log = folder.read("valgrind.log");
    Usage usage;
    usage.inUseBytes = numberAfter(log, "in use at exit: ([0-9,]+) bytes");
    usage.allocations = numberAfter(log, "total heap usage: ([0-9,]+) allocs");
    usage.openFiles = numberAfter(log, "FILE DESCRIPTORS: ([0-9]+) open");

    EXPECT_NE(log.find("ERROR SUMMARY: 0 errors"), std::string::npos) << log;
    return usage;
}

TEST(SysglanceMemory, ThousandsOfPassesLeakNothingAndHoldNoMore)
{
    if (!haveValgrind()) GTEST_SKIP() << "no valgrind for this build";
    ProgramRun shortRun, longRun;
    const Usage shortUsage = runUnderValgrind(300, "", &shortRun);
    const Usage longUsage = runUnderValgrind(3000, "", &longRun);
    EXPECT_EQ(shortRun.exitStatus, 0) << shortRun.err;
    EXPECT_EQ(longRun.exitStatus, 0) << longRun.err;
    // Newer valgrind frees the C++ runtime's own pool at exit: 0 then.
    EXPECT_GE(shortUsage.inUseBytes, 0);
    EXPECT_EQ(longUsage.inUseBytes, shortUsage.inUseBytes);
    EXPECT_GT(shortUsage.openFiles, 0);
    EXPECT_EQ(longUsage.openFiles, shortUsage.openFiles);  // every file read is closed again
    // The list is fetched again every pass, and every fetch is released.
    EXPECT_GT(longUsage.allocations, shortUsage.allocations + 2000);
}

TEST(SysglanceMemory, FoundAddressIsCheckedEveryTenPassesAndOnlyThoseAllocate)
{
    if (!haveValgrind()) GTEST_SKIP() << "no valgrind for this build";
    // eth0 is found in pass 250 and checked again in passes 260, 270, ...;
    // its address keeps changing.
    const std::string eth0 = "250000 ifaddrs lo=127.0.0.1 eth0=10.0.0.2\n"
                             "1000000 ifaddrs eth0=10.0.0.3 lo=127.0.0.1\n"
                             "1800000 ifaddrs lo=127.0.0.1 eth0=10.0.0.4\n";
    Usage usage[4];
    const int passes[4] = {260, 269, 270, 2260};
    for (int i = 0; i < 4; ++i) {
        ProgramRun run;
        usage[i] = runUnderValgrind(passes[i], eth0, &run);
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        EXPECT_EQ(usage[i].inUseBytes, usage[0].inUseBytes) << passes[i];
    }
    EXPECT_EQ(usage[1].allocations, usage[0].allocations) << "passes between checks allocate nothing";
    const long perCheck = usage[2].allocations - usage[1].allocations;
    EXPECT_GT(perCheck, 0);
    EXPECT_EQ(usage[3].allocations - usage[0].allocations, 200 * perCheck);
}

}  // namespace
