// The hardware platform's files and kernel counters, on this machine's
// real kernel: what sysglance shows on a Pi comes through these.
#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <sys/statfs.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include "platform/kernel_counters.h"
#include "platform/system_files.h"

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

}  // namespace
