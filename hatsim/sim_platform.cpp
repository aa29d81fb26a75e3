// SPDX-License-Identifier: MIT
// The hatsim flavour of the platform seam: the wiringPi calls, block
// transfers, the system files, the time of day and the kernel counters,
// answered by the emulated Pi and board. hatsim starts at the program's
// first call through the seam, before the program has touched anything
// outside itself, so that a bad scenario stops it before it does anything.
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cmath>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "hatsim/board_controller.h"
#include "hatsim/bus.h"
#include "hatsim/clock.h"
#include "hatsim/live_view.h"
#include "hatsim/root_changes.h"
#include "hatsim/scenario_runner.h"
#include "hatsim/scripted_counters.h"
#include "hatsim/settings.h"
#include "hatsim/snapshot.h"
#include "hatsim/ssd1306_panel.h"
#include "hatsim/trace.h"
#include "hatsim/virtual_root.h"
#include "platform/bus_probe.h"
#include "platform/bus_transfer.h"
#include "platform/kernel_counters.h"
#include "platform/stop_request.h"
#include "platform/system_files.h"
#include "platform/time_of_day.h"
#include "platform/wiring.h"

namespace {

hatsim::Settings settings;

[[noreturn]] void stopBeforeStart(const std::string& message)
{
    std::fprintf(stderr, "hatsim: %s\n", message.c_str());
    std::fflush(stderr);
    // _exit: nothing of the program has run, and nothing must be flushed twice.
    _exit(2);
}

void finish()
{
    hatsim::stopLiveView();
    hatsim::tearDownRoot();
}

// Ctrl-C and friends: give the terminal back and leave no demo files
// behind, then die of the signal as the program would have.
void onFatalSignal(int signal)
{
    hatsim::restoreTerminalFromSignal();
    hatsim::tearDownDemoRootFromSignal();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void catchFatalSignals()
{
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        struct sigaction action {};
        sigaction(signal, nullptr, &action);
        // Ignored by whoever started us, or the program's own (SIGHUP): keep it so.
        if (action.sa_handler != SIG_DFL) continue;
        action.sa_handler = onFatalSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        sigaction(signal, &action, nullptr);
    }
}

void sleepReal(unsigned int ms)
{
    if (settings.speed <= 0) return;
    // As on the Pi: a stop ends the pause at once, another signal does not.
    sleepUnlessStopped(static_cast<uint64_t>(std::llround(static_cast<double>(ms) * 1e6 / settings.speed)));
}

// The kernel's files, read as the Pi reads them (through its links).
bool kernelOrSettingsFile(const char* path)
{
    return std::strncmp(path, "/sys/", 5) == 0 || std::strncmp(path, "/proc/", 6) == 0 ||
           std::strcmp(path, "/etc/hatkit.conf") == 0;
}

int64_t startSecondsOfDay = 0;

int64_t hostSecondsOfDay()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    if (localtime_r(&now, &local) == nullptr) return 0;
    return secondsOfDay(local);
}

void onPanelFrame()
{
    static bool warned = false;
    if (!hatsim::writePanelSnapshot(settings.snapshotPath) && !warned) {
        hatsim::traceWarning("hatsim: cannot write snapshot %s", settings.snapshotPath);
        warned = true;
    }
}

const char* lookupEnvironment(const char* name) { return std::getenv(name); }

void startHatsim()
{
    std::string message;
    if (!hatsim::readSettings(lookupEnvironment, isatty(STDERR_FILENO) == 1, &settings, &message)) stopBeforeStart(message);
    if (settings.tracePath != nullptr && !hatsim::openTrace(settings.tracePath)) {
        stopBeforeStart(std::string("cannot write trace ") + settings.tracePath + ": " + std::strerror(errno));
    }
    if (settings.script != nullptr && !hatsim::loadScenario(settings.script, &message)) stopBeforeStart(message);
    if (!hatsim::setUpRoot(settings.root, &message)) stopBeforeStart(message);
    startSecondsOfDay = settings.clockSecondsOfDay >= 0 ? settings.clockSecondsOfDay : hostSecondsOfDay();
    if (settings.snapshotPath != nullptr) hatsim::setPanelFrameListener(onPanelFrame);
    std::atexit(finish);
    hatsim::runDueActions(0);
    if (settings.view) hatsim::startLiveView(program_invocation_short_name);
    catchFatalSignals();
}

// Every entry point calls this first. The programs have one thread.
void ensureStarted()
{
    static bool started = false;
    if (started) return;
    started = true;
    startHatsim();
}

}  // namespace

extern "C" int wiringPiSetup(void)
{
    ensureStarted();
    hatsim::trace("setup");
    return 0;
}

extern "C" int wiringPiI2CSetup(const int devId)
{
    ensureStarted();
    return hatsim::openLink(devId);
}

extern "C" int wiringPiI2CWriteReg8(int fd, int reg, int data)
{
    ensureStarted();
    return hatsim::writeLink(fd, reg, data);
}

Probe probeBusDevice(int address)
{
    ensureStarted();
    const int result = hatsim::probeLink(address);
    return result < 0 ? Probe::noBus : result > 0 ? Probe::answers : Probe::silent;
}

int i2cWriteBlock(int fd, const uint8_t* bytes, int count)
{
    ensureStarted();
    return hatsim::sendLink(fd, bytes, count);
}

extern "C" void delay(unsigned int howLong)
{
    ensureStarted();
    hatsim::trace("pause %u", howLong);
    sleepReal(howLong);
    hatsim::advanceVirtualClock(howLong);
    hatsim::advanceDemoHeat(howLong, hatsim::boardControllerState().fan == 1);
    hatsim::runDueActions(hatsim::virtualNowMs());
    hatsim::refreshLiveView(false);
    if (settings.hasEnd && hatsim::virtualNowMs() >= settings.endMs) {
        std::fflush(stdout);
        std::fflush(stderr);
        std::exit(0);
    }
}

int openSystemFile(const char* path)
{
    ensureStarted();
    if (path[0] != '/') {
        errno = EINVAL;
        return -1;
    }
    if (!kernelOrSettingsFile(path)) return hatsim::openRootFile(path);
    char mapped[PATH_MAX];
    if (!hatsim::mapIntoRoot(path, mapped, sizeof mapped)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    return open(mapped, O_RDONLY | O_CLOEXEC);
}

bool stampSystemFile(const char* path, FileStamp* stamp)
{
    ensureStarted();
    struct stat info {};
    if (path[0] != '/' || !hatsim::statRootFile(path, &info)) return false;
    stamp->inode = static_cast<uint64_t>(info.st_ino);
    stamp->modifiedNs = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp->size = static_cast<int64_t>(info.st_size);
    return true;
}

int watchFolder(int watcher, const char* path, uint32_t events)
{
    ensureStarted();
    if (path[0] != '/') {
        errno = EINVAL;
        return -1;
    }
    // The folder as reached under the root, then watched through its
    // descriptor: no link on the way is followed.
    const int folder = hatsim::openRootFolder(path);
    if (folder < 0) return -1;
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", folder);
    const int watch = inotify_add_watch(watcher, self, events | IN_ONLYDIR);
    const int saved = errno;
    close(folder);
    errno = saved;
    return watch;
}

int openOutputFolder(const char* path)
{
    ensureStarted();
    if (path[0] != '/') {
        errno = EINVAL;
        return -1;
    }
    return hatsim::openRootFolder(path);
}

int localSecondsOfDay()
{
    ensureStarted();
    return static_cast<int>((startSecondsOfDay + hatsim::virtualNowMs() / 1000) % 86400);
}

int readSystemInfo(struct sysinfo* info)
{
    ensureStarted();
    return hatsim::scriptedSysinfo(info);
}

int readRootFileSystem(struct statfs* info)
{
    ensureStarted();
    return hatsim::scriptedRootStatfs(info);
}

int fetchInterfaceList(struct ifaddrs** list)
{
    ensureStarted();
    return hatsim::scriptedGetifaddrs(list);
}

void releaseInterfaceList(struct ifaddrs* list) { hatsim::scriptedFreeifaddrs(list); }
