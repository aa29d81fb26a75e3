// SPDX-License-Identifier: MIT
#include "hatsim/virtual_root.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hatsim/heat_model.h"
#include "hatsim/root_changes.h"

namespace hatsim {

namespace {

char root[PATH_MAX] = "";
bool demo = false;
double demoDegrees = kDemoStartDegrees;

constexpr const char* kModelPath = "/proc/device-tree/model";
constexpr const char* kThermalPath = "/sys/class/thermal/thermal_zone0/temp";
// The device tree's model text ends in a NUL byte, not a line end.
constexpr char kDemoModel[] = "Raspberry Pi 4 Model B Rev 1.4";

// The demo root's own paths, deepest first, ready for a signal handler; the
// first is the file a new thermal text is written to before it replaces the old.
constexpr int kDemoPaths = 10;
const char* kDemoRelative[kDemoPaths] = {
    "/sys/class/thermal/thermal_zone0/.temp.tmp", "/sys/class/thermal/thermal_zone0/temp", "/proc/device-tree/model", "/sys/class/thermal/thermal_zone0",
    "/sys/class/thermal", "/sys/class", "/sys", "/proc/device-tree", "/proc", ""};
char demoPaths[kDemoPaths][PATH_MAX];

// ROOT, held open for the life of the process: every change is made
// relative to it, never through a path that could lead elsewhere.
int rootFd = -1;

void writeDemoThermal()
{
    char text[32];
    const int length = std::snprintf(text, sizeof text, "%ld\n", std::lround(demoDegrees * 1000.0));
    writeRootFile(kThermalPath, text, static_cast<std::size_t>(length));
}

}  // namespace

bool setUpRoot(const char* given, std::string* why)
{
    demo = given == nullptr;
    if (!demo) {
        char resolved[PATH_MAX];
        struct stat info {};
        const char* problem = nullptr;
        if (realpath(given, resolved) == nullptr || stat(resolved, &info) != 0) {
            problem = std::strerror(errno);
        } else if (!S_ISDIR(info.st_mode)) {
            problem = "not a folder";
        } else if (std::strcmp(resolved, "/") == 0) {
            problem = "that is the whole system";
        } else if (std::strlen(resolved) >= sizeof root / 2) {
            problem = "path too long";
        }
        if (problem != nullptr) {
            *why = std::string("HATSIM_ROOT must name an existing folder other than /: '") + given + "': " + problem;
            return false;
        }
        std::strcpy(root, resolved);
    } else {
        const char* tmp = std::getenv("TMPDIR");
        if (tmp == nullptr || *tmp == '\0' || std::strlen(tmp) > sizeof root / 4) tmp = "/tmp";
        std::snprintf(root, sizeof root, "%s/hatsim-demo-XXXXXX", tmp);
        if (mkdtemp(root) == nullptr) {
            *why = std::string("cannot make the demo root in ") + tmp + ": " + std::strerror(errno);
            return false;
        }
    }
    rootFd = open(root, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (rootFd < 0) {
        *why = std::string("cannot open the root ") + root + ": " + std::strerror(errno);
        return false;
    }
    if (!demo) return true;
    demoDegrees = kDemoStartDegrees;
    // The demo root lies in a short TMPDIR (a quarter of PATH_MAX at most), so these fit.
    for (int i = 0; i < kDemoPaths; ++i) {
        if (std::snprintf(demoPaths[i], PATH_MAX, "%s%s", root, kDemoRelative[i]) >= PATH_MAX) return false;
    }
    if (!writeRootFile(kModelPath, kDemoModel, sizeof kDemoModel)) {
        *why = std::string("cannot write the demo root's model file: ") + std::strerror(errno);
        return false;
    }
    writeDemoThermal();
    return true;
}

bool usingDemoRoot() { return demo; }

void tearDownDemoRootFromSignal()
{
    if (!demo) return;
    for (int i = 0; i < kDemoPaths; ++i) {
        if (unlink(demoPaths[i]) != 0) rmdir(demoPaths[i]);
    }
}

const char* rootFolder() { return root; }

void tearDownRoot()
{
    if (demo && root[0] != '\0') removeEntryAt(AT_FDCWD, root);
    demo = false;
}

bool mapIntoRoot(const char* path, char* out, std::size_t size)
{
    const int length = std::snprintf(out, size, "%s%s", root, path);
    return length >= 0 && static_cast<std::size_t>(length) < size;
}

namespace {

// Runs change(parent, name) on the folder holding ROOT+path.
template <typename Change>
bool changeBelowRoot(const char* path, bool create, Change change)
{
    const char* name = nullptr;
    const int parent = openParentBelow(rootFd, path, create, &name);
    if (parent < 0) return false;
    const bool ok = change(parent, name);
    const int saved = errno;
    close(parent);
    errno = saved;
    return ok;
}

}  // namespace

bool writeRootFile(const char* path, const char* text, std::size_t length)
{
    return changeBelowRoot(path, true, [&](int parent, const char* name) {
        return replaceFileAt(parent, name, text, length);
    });
}

bool removeRootPath(const char* path)
{
    const char* name = nullptr;
    const int parent = openParentBelow(rootFd, path, false, &name);
    // Nothing to remove when a folder on the way is missing.
    if (parent < 0) return errno == ENOENT;
    const bool ok = removeEntryAt(parent, name);
    const int saved = errno;
    close(parent);
    errno = saved;
    return ok;
}

bool makeRootDir(const char* path)
{
    return changeBelowRoot(path, true, [](int parent, const char* name) {
        return removeEntryAt(parent, name) && mkdirat(parent, name, 0755) == 0;
    });
}

int openRootFolder(const char* path)
{
    if (std::strcmp(path, "/") == 0) return fcntl(rootFd, F_DUPFD_CLOEXEC, 0);
    const char* name = nullptr;
    const int parent = openParentBelow(rootFd, path, false, &name);
    if (parent < 0) return -1;
    const int folder = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int saved = errno;
    close(parent);
    errno = saved;
    return folder;
}

int openRootFile(const char* path)
{
    const char* name = nullptr;
    const int parent = openParentBelow(rootFd, path, false, &name);
    if (parent < 0) return -1;
    const int fd = openat(parent, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    const int saved = errno;
    close(parent);
    errno = saved;
    return fd;
}

bool statRootFile(const char* path, struct stat* info)
{
    const char* name = nullptr;
    const int parent = openParentBelow(rootFd, path, false, &name);
    if (parent < 0) return false;
    const bool found = fstatat(parent, name, info, AT_SYMLINK_NOFOLLOW) == 0;
    const int saved = errno;
    close(parent);
    errno = saved;
    return found;
}

void advanceDemoHeat(int64_t elapsedMs, bool fanOn)
{
    if (!demo) return;
    demoDegrees = heatStep(demoDegrees, static_cast<double>(elapsedMs) / 1000.0, fanOn);
    writeDemoThermal();
}

}  // namespace hatsim
