// SPDX-License-Identifier: MIT
#include "hatsim/scripted_counters.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/statfs.h>
#include <sys/sysinfo.h>

#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <vector>

namespace hatsim {

namespace {

enum class Source { host, failing, scripted };

Source sysinfoSource = Source::host;
Source statfsSource = Source::host;
Source ifaddrsSource = Source::host;
struct sysinfo scriptedInfo;
struct statfs scriptedFs;

std::vector<InterfaceEntry> scriptedInterfaces;

// A fetched list is one allocation: the nodes, then their socket
// addresses, then their names, so releasing it is a single free().
struct Node {
    struct ifaddrs entry;
    struct sockaddr_storage address;
    char name[IFNAMSIZ];
};

int buildList(struct ifaddrs** list)
{
    const auto& entries = scriptedInterfaces;
    *list = nullptr;
    if (entries.empty()) return 0;
    auto* nodes = static_cast<Node*>(std::calloc(entries.size(), sizeof(Node)));
    if (nodes == nullptr) return -1;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Node& node = nodes[i];
        std::strncpy(node.name, entries[i].name.c_str(), IFNAMSIZ - 1);
        node.entry.ifa_name = node.name;
        // As on a Pi: "lo" is the loopback interface.
        node.entry.ifa_flags = IFF_UP | IFF_RUNNING | (entries[i].name == "lo" ? IFF_LOOPBACK : 0);
        node.entry.ifa_next = i + 1 < entries.size() ? &nodes[i + 1].entry : nullptr;
        if (entries[i].family == AF_INET) {
            auto* in = reinterpret_cast<sockaddr_in*>(&node.address);
            in->sin_family = AF_INET;
            std::memcpy(&in->sin_addr, entries[i].address, 4);
            node.entry.ifa_addr = reinterpret_cast<sockaddr*>(in);
        } else if (entries[i].family == AF_INET6) {
            auto* in6 = reinterpret_cast<sockaddr_in6*>(&node.address);
            in6->sin6_family = AF_INET6;
            std::memcpy(&in6->sin6_addr, entries[i].address, 16);
            node.entry.ifa_addr = reinterpret_cast<sockaddr*>(in6);
        }
    }
    *list = &nodes[0].entry;
    return 0;
}

// Lists built here are released with free(), the host's with freeifaddrs();
// a program may hold a host list across the action that scripts the list.
constexpr int kMaxListsOut = 64;
struct ifaddrs* scriptedListsOut[kMaxListsOut];

bool rememberScriptedList(struct ifaddrs* list)
{
    for (auto& slot : scriptedListsOut) {
        if (slot == nullptr) {
            slot = list;
            return true;
        }
    }
    return false;
}

bool forgetScriptedList(struct ifaddrs* list)
{
    for (auto& slot : scriptedListsOut) {
        if (slot == list) {
            slot = nullptr;
            return true;
        }
    }
    return false;
}

}  // namespace

void applyCounterAction(const Action& action)
{
    switch (action.kind) {
    case ActionKind::sysinfoFail: sysinfoSource = Source::failing; break;
    case ActionKind::sysinfoSet:
        std::memset(&scriptedInfo, 0, sizeof scriptedInfo);
        scriptedInfo.loads[0] = static_cast<std::decay_t<decltype(scriptedInfo.loads[0])>>(action.numbers[0]);
        scriptedInfo.totalram = static_cast<std::decay_t<decltype(scriptedInfo.totalram)>>(action.numbers[1]);
        scriptedInfo.freeram = static_cast<std::decay_t<decltype(scriptedInfo.freeram)>>(action.numbers[2]);
        scriptedInfo.mem_unit = static_cast<std::decay_t<decltype(scriptedInfo.mem_unit)>>(action.numbers[3]);
        sysinfoSource = Source::scripted;
        break;
    case ActionKind::statfsFail: statfsSource = Source::failing; break;
    case ActionKind::statfsSet:
        std::memset(&scriptedFs, 0, sizeof scriptedFs);
        scriptedFs.f_blocks = static_cast<std::decay_t<decltype(scriptedFs.f_blocks)>>(action.numbers[0]);
        scriptedFs.f_bfree = static_cast<std::decay_t<decltype(scriptedFs.f_bfree)>>(action.numbers[1]);
        scriptedFs.f_bavail = scriptedFs.f_bfree;
        scriptedFs.f_bsize = static_cast<std::decay_t<decltype(scriptedFs.f_bsize)>>(action.numbers[2]);
        statfsSource = Source::scripted;
        break;
    case ActionKind::ifaddrsFail: ifaddrsSource = Source::failing; break;
    case ActionKind::ifaddrsSet:
        scriptedInterfaces = action.interfaces;
        ifaddrsSource = Source::scripted;
        break;
    default: break;
    }
}

void resetScriptedCounters()
{
    sysinfoSource = statfsSource = ifaddrsSource = Source::host;
    scriptedInterfaces.clear();
}

int scriptedSysinfo(struct sysinfo* info)
{
    switch (sysinfoSource) {
    case Source::host: return sysinfo(info) == 0 ? 0 : -1;
    case Source::failing: return -1;
    case Source::scripted: *info = scriptedInfo; return 0;
    }
    return -1;
}

int scriptedRootStatfs(struct statfs* info)
{
    switch (statfsSource) {
    case Source::host: return statfs("/", info) == 0 ? 0 : -1;
    case Source::failing: return -1;
    case Source::scripted: *info = scriptedFs; return 0;
    }
    return -1;
}

int scriptedGetifaddrs(struct ifaddrs** list)
{
    *list = nullptr;
    switch (ifaddrsSource) {
    case Source::host:
        if (getifaddrs(list) == 0) return 0;
        *list = nullptr;
        return -1;
    case Source::failing: return -1;
    case Source::scripted:
        if (buildList(list) != 0) return -1;
        if (*list != nullptr && !rememberScriptedList(*list)) {
            // More lists out than any program holds: refuse like a failed fetch.
            std::free(*list);
            *list = nullptr;
            return -1;
        }
        return 0;
    }
    return -1;
}

void scriptedFreeifaddrs(struct ifaddrs* list)
{
    if (list == nullptr) return;
    if (forgetScriptedList(list)) {
        // The head node sits at the start of the block buildList allocated.
        std::free(list);
    } else {
        freeifaddrs(list);
    }
}

}  // namespace hatsim
