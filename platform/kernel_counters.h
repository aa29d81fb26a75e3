// SPDX-License-Identifier: MIT
// The kernel counters the status screen shows: load and memory, the root
// file system, and the interface address list.
#pragma once

struct sysinfo;
struct statfs;
struct ifaddrs;

// sysinfo(2); 0 on success, -1 on failure.
int readSystemInfo(struct sysinfo* info);
// statfs(2) on "/"; 0 on success, -1 on failure.
int readRootFileSystem(struct statfs* info);
// getifaddrs(3); 0 on success, -1 on failure (*list is then null).
int fetchInterfaceList(struct ifaddrs** list);
// freeifaddrs(3) for a list from fetchInterfaceList; null is allowed.
void releaseInterfaceList(struct ifaddrs* list);
