// SPDX-License-Identifier: MIT
#include <ifaddrs.h>
#include <sys/statfs.h>
#include <sys/sysinfo.h>

#include "platform/kernel_counters.h"

int readSystemInfo(struct sysinfo* info) { return sysinfo(info) == 0 ? 0 : -1; }

int readRootFileSystem(struct statfs* info) { return statfs("/", info) == 0 ? 0 : -1; }

int fetchInterfaceList(struct ifaddrs** list)
{
    if (getifaddrs(list) == 0) return 0;
    *list = nullptr;
    return -1;
}

void releaseInterfaceList(struct ifaddrs* list)
{
    if (list != nullptr) freeifaddrs(list);
}
