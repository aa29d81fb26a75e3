#include "hatsim/virtual_root.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hatsim/heat_model.h"

namespace hatsim {

namespace {

char root[PATH_MAX] = "";
bool demo = false;
double demoDegrees = kDemoStartDegrees;

constexpr const char* kModelPath = "/proc/device-tree/model";
constexpr const char* kThermalPath = "/sys/class/thermal/thermal_zone0/temp";
// The device tree's model text ends in a NUL byte, not a line end.
constexpr char kDemoModel[] = "Raspberry Pi 4 Model B Rev 1.4";

// The demo root's own paths, deepest first, ready for a signal handler.
constexpr int kDemoPaths = 9;
constexpr const char* kDemoRelative[kDemoPaths] = {
    "/sys/class/thermal/thermal_zone0/temp", "/proc/device-tree/model", "/sys/class/thermal/thermal_zone0",
    "/sys/class/thermal", "/sys/class", "/sys", "/proc/device-tree", "/proc", ""};
char demoPaths[kDemoPaths][PATH_MAX];

bool makeParents(char* full)
{
    for (char* slash = std::strchr(full + 1, '/'); slash != nullptr; slash = std::strchr(slash + 1, '/')) {
        *slash = '\0';
        const bool ok = mkdir(full, 0755) == 0 || errno == EEXIST;
        *slash = '/';
        if (!ok) return false;
    }
    return true;
}

int removeEntry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

// Removes a file or a whole folder; a missing path is not an error.
bool removeTree(const char* full)
{
    struct stat info {};
    if (lstat(full, &info) != 0) return errno == ENOENT;
    if (!S_ISDIR(info.st_mode)) return unlink(full) == 0;
    return nftw(full, removeEntry, 16, FTW_DEPTH | FTW_PHYS) == 0;
}

void writeDemoThermal()
{
    char text[32];
    const int length = std::snprintf(text, sizeof text, "%ld\n", std::lround(demoDegrees * 1000.0));
    writeRootFile(kThermalPath, text, static_cast<std::size_t>(length));
}

}  // namespace

bool setUpRoot(const char* given)
{
    demo = given == nullptr;
    if (!demo) {
        if (std::strlen(given) >= sizeof root / 2) return false;
        std::strcpy(root, given);
        // "ROOT/" and "ROOT" name the same folder.
        std::size_t length = std::strlen(root);
        while (length > 1 && root[length - 1] == '/') root[--length] = '\0';
        if (std::strcmp(root, "/") == 0) root[0] = '\0';
        return true;
    }
    const char* tmp = std::getenv("TMPDIR");
    if (tmp == nullptr || *tmp == '\0' || std::strlen(tmp) > sizeof root / 4) tmp = "/tmp";
    std::snprintf(root, sizeof root, "%s/hatsim-demo-XXXXXX", tmp);
    if (mkdtemp(root) == nullptr) return false;
    demoDegrees = kDemoStartDegrees;
    for (int i = 0; i < kDemoPaths; ++i) std::snprintf(demoPaths[i], PATH_MAX, "%s%s", root, kDemoRelative[i]);
    if (!writeRootFile(kModelPath, kDemoModel, sizeof kDemoModel)) return false;
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
    if (demo && root[0] != '\0') removeTree(root);
    demo = false;
}

bool mapIntoRoot(const char* path, char* out, std::size_t size)
{
    const int length = std::snprintf(out, size, "%s%s", root, path);
    return length >= 0 && static_cast<std::size_t>(length) < size;
}

bool writeRootFile(const char* path, const char* text, std::size_t length)
{
    char full[PATH_MAX];
    if (!mapIntoRoot(path, full, sizeof full)) return false;
    if (!makeParents(full)) return false;
    struct stat info {};
    if (lstat(full, &info) == 0 && S_ISDIR(info.st_mode) && !removeTree(full)) return false;
    const int fd = open(full, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = true;
    while (length > 0) {
        const ssize_t written = write(fd, text, length);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            ok = false;
            break;
        }
        text += written;
        length -= static_cast<std::size_t>(written);
    }
    return close(fd) == 0 && ok;
}

bool removeRootPath(const char* path)
{
    char full[PATH_MAX];
    return mapIntoRoot(path, full, sizeof full) && removeTree(full);
}

bool makeRootDir(const char* path)
{
    char full[PATH_MAX];
    if (!mapIntoRoot(path, full, sizeof full)) return false;
    if (!removeTree(full)) return false;
    if (!makeParents(full)) return false;
    return mkdir(full, 0755) == 0;
}

void advanceDemoHeat(int64_t elapsedMs, bool fanOn)
{
    if (!demo) return;
    demoDegrees = heatStep(demoDegrees, static_cast<double>(elapsedMs) / 1000.0, fanOn);
    writeDemoThermal();
}

}  // namespace hatsim
