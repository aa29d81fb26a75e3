// SPDX-License-Identifier: MIT
#include "apps/sysglance/status_sampler.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/statfs.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "apps/sysglance/status_format.h"
#include "board/cpu_temperature.h"
#include "platform/kernel_counters.h"
#include "platform/system_files.h"

namespace {

constexpr const char* kModelPath = "/proc/device-tree/model";
constexpr int kModelReadLimit = 32;
constexpr int kTemperatureReadLimit = 32;
constexpr int kAddressTextSize = 16;
constexpr int kAddressRefreshPasses = 10;
constexpr const char* kCpuStatPath = "/proc/stat";
constexpr int kCpuStatReadLimit = 256;  // the first line, "cpu  ..."
constexpr const char* kMemInfoPath = "/proc/meminfo";
constexpr int kMemInfoReadLimit = 512;  // MemTotal, MemFree and MemAvailable lead it

bool isLoopback(const ifaddrs* entry, const sockaddr_in* in)
{
    return (entry->ifa_flags & IFF_LOOPBACK) != 0 || (ntohl(in->sin_addr.s_addr) >> 24) == 127;
}

void refetchInterfaceList(StatusTexts& texts)
{
    releaseInterfaceList(texts.interfaceList);
    texts.interfaceList = nullptr;
    if (fetchInterfaceList(&texts.interfaceList) != 0) texts.interfaceList = nullptr;
}

// A "NAME: N kB" field of /proc/meminfo's text in kB, or -1.
int64_t memInfoKiB(const char* text, const char* name)
{
    const char* at = std::strstr(text, name);
    if (at == nullptr) return -1;
    at += std::strlen(name);
    while (*at == ' ') ++at;
    if (*at < '0' || *at > '9') return -1;
    int64_t value = 0;
    for (; *at >= '0' && *at <= '9' && value < (INT64_MAX / 10 - 9); ++at) value = value * 10 + (*at - '0');
    return value;
}

// RAM in use as the kernel counts it (free(1), top): MemTotal less
// MemAvailable, which leaves out the page cache the kernel gives back at
// once. -1 when the file or the fields are not there.
int64_t usedRamMiBFromMemInfo()
{
    char text[kMemInfoReadLimit + 1];
    const int fd = openSystemFile(kMemInfoPath);
    if (fd < 0) return -1;
    const ssize_t got = read(fd, text, kMemInfoReadLimit);
    close(fd);
    if (got <= 0) return -1;
    text[got] = '\0';
    const int64_t total = memInfoKiB(text, "MemTotal:");
    const int64_t available = memInfoKiB(text, "MemAvailable:");
    if (total < 0 || available < 0) return -1;
    return total > available ? (total - available) / 1024 : 0;
}

}  // namespace

void restartAddressSearch(StatusTexts& texts)
{
    texts.addressText[0] = '\0';
    texts.addressFound = false;
    refetchInterfaceList(texts);
}

void fetchFirstInterfaceList(StatusTexts& texts)
{
    if (fetchInterfaceList(&texts.interfaceList) != 0) texts.interfaceList = nullptr;
}

bool sampleLoadAndMemory(StatusTexts& texts)
{
    struct sysinfo info {};
    if (readSystemInfo(&info) != 0) {
        texts.loadKnown = texts.ramKnown = false;
        return false;
    }
    formatCpuText(texts.cpuText, info.loads[0]);
    // The panel's text stays free of total, as it always read.
    formatRamText(texts.ramText, info.freeram, info.totalram, info.mem_unit);
    texts.load1 = info.loads[0];
    texts.loadKnown = true;
    const int64_t used = usedRamMiBFromMemInfo();
    // A kernel without MemAvailable: the buffers are not in use either.
    texts.ramUsedMb = used >= 0 ? static_cast<uint64_t>(used)
                                : usedMiB(info.freeram + info.bufferram, info.totalram, info.mem_unit);
    texts.ramKnown = true;
    return true;
}


void sampleAddress(StatusTexts& texts, const HatkitSettings& settings)
{
    for (const ifaddrs* entry = texts.interfaceList; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET || entry->ifa_name == nullptr) {
            continue;
        }
        char address[kAddressTextSize];
        const auto* in = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        if (inet_ntop(AF_INET, &in->sin_addr, address, sizeof address) == nullptr) continue;
        const char* name = entry->ifa_name;
        if (!wantsAddressOf(settings, name, isLoopback(entry, in))) continue;
        formatText(texts.addressText, "%s:%s", name, address);
        texts.addressFound = true;
        texts.passesSinceAddressCheck = 0;
        // Passes until the next check allocate nothing: the list goes now.
        releaseInterfaceList(texts.interfaceList);
        texts.interfaceList = nullptr;
        return;
    }
    texts.addressText[0] = '\0';
    texts.addressFound = false;
    refetchInterfaceList(texts);
}

void refreshAddress(StatusTexts& texts, const HatkitSettings& settings)
{
    if (++texts.passesSinceAddressCheck < kAddressRefreshPasses) return;
    texts.passesSinceAddressCheck = 0;
    // A failed fetch says nothing about the address: keep it until the next check.
    releaseInterfaceList(texts.interfaceList);
    texts.interfaceList = nullptr;
    if (fetchInterfaceList(&texts.interfaceList) != 0) {
        texts.interfaceList = nullptr;
        return;
    }
    sampleAddress(texts, settings);
}

void detectBoardModel(StatusTexts& texts)
{
    const int fd = openSystemFile(kModelPath);
    if (fd < 0) {
        std::puts("failed to open /proc/device-tree/model");
        return;
    }
    char model[kModelReadLimit];
    const ssize_t got = read(fd, model, sizeof model);
    if (got < 0) {
        std::puts("fail to read hardware version");
    } else {
        texts.boardModel = boardModelFromText(model, static_cast<std::size_t>(got));
        // The text as it reads, without its NUL and line end.
        std::size_t length = 0;
        while (length < static_cast<std::size_t>(got) && model[length] != '\0' && model[length] != '\n') ++length;
        std::memcpy(texts.modelText, model, length);
        texts.modelText[length] = '\0';
    }
    close(fd);
}

void sampleTemperature(StatusTexts& texts)
{
    const TemperatureReading reading = readCpuTemperature(kTemperatureReadLimit);
    texts.temperatureValid = reading.status == TemperatureStatus::ok;
    if (texts.temperatureValid) texts.temperature = reading.degrees;
    switch (reading.status) {
    case TemperatureStatus::ok: formatTempText(texts.tempText, reading.degrees); break;
    case TemperatureStatus::openFailed: std::puts("failed to open thermal_zone0/temp"); break;
    case TemperatureStatus::readFailed: std::puts("fail to read temp"); break;
    }
}

void sampleCpuUse(StatusTexts& texts)
{
    char text[kCpuStatReadLimit];
    ssize_t got = -1;
    const int fd = openSystemFile(kCpuStatPath);
    if (fd >= 0) {
        got = read(fd, text, sizeof text);
        close(fd);
    }
    CpuTicks now;
    if (got <= 0 || !parseCpuTicks(text, static_cast<std::size_t>(got), &now)) {
        texts.cpuTicksRead = false;
        texts.cpuUsedPercent = -1;
        return;
    }
    // No tick since the last reading (a file that stands still): the last share stands.
    if (texts.cpuTicksRead && now.all == texts.cpuTicks.all) return;
    if (texts.cpuTicksRead) texts.cpuUsedPercent = cpuUsedPercent(texts.cpuTicks, now);
    texts.cpuTicks = now;
    texts.cpuTicksRead = true;
}

void sampleDisk(StatusTexts& texts)
{
    struct statfs info {};
    // A failed call leaves the previous pass's text rather than one built
    // from counters the kernel never filled in.
    texts.diskKnown = readRootFileSystem(&info) == 0;
    if (!texts.diskKnown) return;
    formatDiskText(texts.diskText, info.f_bfree, info.f_blocks, static_cast<int64_t>(info.f_bsize));
    texts.diskUsedMb = usedMiB(info.f_bfree, info.f_blocks, static_cast<uint64_t>(info.f_bsize));
}
