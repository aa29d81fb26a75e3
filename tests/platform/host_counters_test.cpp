// SPDX-License-Identifier: MIT
// The hardware platform's files and kernel counters, on this machine's
// real kernel: what sysglance shows on a Pi comes through these.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <ifaddrs.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include "platform/kernel_counters.h"
#include "platform/system_files.h"
#include "platform/time_of_day.h"
#include "tests/support/temp_folder.h"

namespace {

TEST(HostPlatform, CountersAndFilesComeFromTheKernel)
{
    struct sysinfo info {};
    EXPECT_EQ(readSystemInfo(&info), 0);
    EXPECT_GT(info.totalram, 0u);
    EXPECT_GT(info.mem_unit, 0u);
    struct statfs fs {};
    EXPECT_EQ(readRootFileSystem(&fs), 0);
    EXPECT_GT(fs.f_blocks, 0u);
    struct ifaddrs* list = nullptr;
    EXPECT_EQ(fetchInterfaceList(&list), 0);
    releaseInterfaceList(list);
    releaseInterfaceList(nullptr);

    const int fd = openSystemFile("/proc/self/stat");
    EXPECT_GE(fd, 0);
    char byte = 0;
    EXPECT_EQ(read(fd, &byte, 1), 1);
    close(fd);
    EXPECT_EQ(openSystemFile("/proc/no-such-file"), -1);
}

// Quiet hours follow the Pi's local time, whatever the time zone.
TEST(HostPlatform, TimeOfDayIsLocal)
{
    for (auto [zone, offset] : {std::pair{"UTC0", 0}, {"<+0530>-5:30", 19800}, {"<-10>10", -36000}}) {
        setenv("TZ", zone, 1);
        tzset();
        const long before = static_cast<long>(std::time(nullptr));
        const int seconds = localSecondsOfDay();
        const long after = static_cast<long>(std::time(nullptr));
        const auto local = [&](long t) { return static_cast<int>(((t + offset) % 86400 + 86400) % 86400); };
        EXPECT_TRUE(seconds == local(before) || seconds == local(after)) << zone << " " << seconds;
    }
    unsetenv("TZ");
    tzset();
}

TEST(HostPlatform, OutputFilesAreReplacedWholeAndReadableByAll)
{
    TempFolder folder;
    EXPECT_LT(openOutputFolder((folder.path() + "/missing").c_str()), 0);
    const int fd = openOutputFolder(folder.path().c_str());
    ASSERT_GE(fd, 0);
    const mode_t mask = umask(077);
    EXPECT_TRUE(replaceOutputFile(fd, "a.prom", "one\n", 4));
    EXPECT_TRUE(replaceOutputFile(fd, "a.prom", "two\n", 4));
    umask(mask);
    EXPECT_EQ(folder.read("a.prom"), "two\n");
    struct stat info {};
    ASSERT_EQ(stat(folder.file("a.prom").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    // A replacement cut short left its temporary: the removal takes it too.
    folder.write(".a.prom.tmp", "half");
    EXPECT_TRUE(removeOutputFile(fd, "a.prom"));
    EXPECT_TRUE(removeOutputFile(fd, "a.prom"));  // gone already
    EXPECT_NE(access(folder.file("a.prom").c_str(), F_OK), 0);
    EXPECT_NE(access(folder.file(".a.prom.tmp").c_str(), F_OK), 0);
    errno = 0;
    EXPECT_FALSE(replaceOutputFile(fd, std::string(251, 'n').c_str(), "x", 1));
    EXPECT_EQ(errno, ENAMETOOLONG);
    close(fd);
}

}  // namespace
