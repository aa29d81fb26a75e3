// SPDX-License-Identifier: MIT
// hatkit set KEY VALUE... / hatkit unset KEY...: each value checked by the
// programs' own parser, /etc/hatkit.conf changed in place and replaced
// whole (through a symbolic link, the file it leads to), then each running
// unit that reads a changed key reloaded once.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "apps/common/files/hatkit_conf.h"
#include "apps/common/files/key_value_text.h"
#include "apps/hatkit/owner_commands.h"
#include "apps/hatkit/settings_edit.h"
#include "apps/hatkit/systemctl.h"
#include "platform/system_files.h"

namespace {

constexpr std::size_t kSettingsLimit = 64 * 1024;
constexpr int kMostLinks = 8;

// Where /etc/hatkit.conf really is: its folder opened and its name, the
// links to it followed (a relative target from the link's folder). *link
// names the last link's target, "" when the file is no link.
bool settingsFile(int* folder, std::string* name, std::string* link)
{
    *folder = openOutputFolder("/etc");
    *name = "hatkit.conf";
    for (int hops = 0; *folder >= 0; ++hops) {
        struct stat info {};
        if (fstatat(*folder, name->c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(info.st_mode)) return true;
        char target[PATH_MAX];
        const ssize_t length = readlinkat(*folder, name->c_str(), target, sizeof target - 1);
        if (hops == kMostLinks || length <= 0) {
            close(*folder);
            errno = hops == kMostLinks ? ELOOP : errno;
            return false;
        }
        target[length] = '\0';
        *link = target;
        const std::string path = target;
        const std::size_t slash = path.rfind('/');
        *name = slash == std::string::npos ? path : path.substr(slash + 1);
        if (slash == std::string::npos) continue;
        const std::string dir = slash == 0 ? "/" : path.substr(0, slash);
        const int next = path[0] == '/' ? openOutputFolder(dir.c_str())
                                        : openat(*folder, dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const int saved = errno;
        close(*folder);
        errno = saved;
        *folder = next;
    }
    return false;
}

bool writeSettings(const std::string& text, std::string* link)
{
    int folder = -1;
    std::string name;
    if (!settingsFile(&folder, &name, link)) return false;
    const bool written = replaceFileKeepingOwner(folder, name.c_str(), text.data(), text.size());
    const int saved = errno;
    close(folder);
    errno = saved;
    return written;
}

void reloadReaders(const std::vector<SettingChange>& changes)
{
    std::vector<std::string> units;
    for (const SettingChange& change : changes) {
        for (const std::string& unit : unitsReading(change.key)) {
            if (std::find(units.begin(), units.end(), unit) == units.end()) units.push_back(unit);
        }
    }
    if (!systemdRuns()) {
        std::printf("systemd does not run here: the programs read the change when they start\n");
        return;
    }
    bool any = false;
    for (const std::string& unit : units) {
        if (runSystemctl({"is-active", "--quiet", unit + ".service"}, nullptr) != 0) continue;
        any = true;
        const int status = runSystemctl({"reload", unit + ".service"}, nullptr);
        if (status == 0) {
            std::printf("%s: reloaded, the new settings apply\n", unit.c_str());
        } else {
            std::printf("%s: the reload failed (systemctl status %d): journalctl -u %s\n", unit.c_str(), status,
                        unit.c_str());
        }
    }
    if (!any) std::printf("no running program reads %s: it applies when one starts\n", changes.size() == 1 ? changes[0].key.c_str() : "them");
}

bool noneLike(const std::string& value)
{
    for (const char* word : {"none", "off", "never", "0", "default", "unset", "auto", ""}) {
        if (value == word) return true;
    }
    return false;
}

// Each key known and each value taken on its own; false after saying why.
bool checkEach(const std::vector<SettingChange>& changes, bool unset)
{
    for (const SettingChange& change : changes) {
        const SettingRow* row = findSetting(change.key);
        if (row == nullptr) {
            const std::string nearest = nearestSetting(change.key);
            std::fprintf(stderr, "hatkit: unknown key '%s'%s%s%s (hatkit keys lists them)\n", change.key.c_str(),
                         nearest.empty() ? "" : ": did you mean ", nearest.c_str(), nearest.empty() ? "" : "?");
            return false;
        }
        if (unset) continue;
        if (!change.hasValue) {
            std::fprintf(stderr, "hatkit: %s needs a value (%s); hatkit unset %s goes back to the default\n",
                         change.key.c_str(), row->expects, change.key.c_str());
            return false;
        }
        if (change.value.find_first_of(std::string("\n\r\0", 3)) != std::string::npos) {
            std::fprintf(stderr, "hatkit: not changed: the value of %s holds a line break\n", change.key.c_str());
            return false;
        }
        HatkitSettings scratch;
        std::string why;
        if (!row->parse(change.value, &scratch, &why)) {
            if (why.empty()) why = change.key + " must be " + row->expects + ", not '" + change.value + "'";
            std::fprintf(stderr, "hatkit: not changed: %s%s%s\n", why.c_str(),
                         noneLike(change.value) ? "; to go back to the default: hatkit unset " : "",
                         noneLike(change.value) ? change.key.c_str() : "");
            return false;
        }
    }
    return true;
}

// "hatkit.conf line N: why" without the line, which is of the new text.
std::string withoutLine(const std::string& message)
{
    const std::size_t colon = message.find(": ");
    return colon == std::string::npos ? message : message.substr(colon + 2);
}

std::string commandLine(const std::vector<SettingChange>& changes, bool unset)
{
    std::string line = unset ? "unset" : "set";
    for (const SettingChange& change : changes) line += " " + change.key + (unset ? "" : " " + change.value);
    return line;
}

}  // namespace

int setKeys(const std::vector<SettingChange>& changes, bool unset)
{
    if (!checkEach(changes, unset)) return kExitRefused;
    std::string text;
    std::string message;
    if (readSmallFile(kSettingsPath, "hatkit.conf", kSettingsLimit, &text, &message) == FileRead::failed) {
        std::fprintf(stderr, "hatkit: %s\n", message.c_str());
        return kExitCannotWrite;
    }
    std::string fresh = text;
    for (const SettingChange& change : changes) {
        int changed = 0;
        fresh = settingsWith(fresh, change.key, unset ? nullptr : &change.value, &changed);
    }
    HatkitSettings settings;
    if (!parseSettings(fresh.data(), fresh.size(), &settings, &message)) {
        std::string before;
        HatkitSettings old;
        const bool wasBad = !parseSettings(text.data(), text.size(), &old, &before);
        std::fprintf(stderr, "hatkit: not changed: %s%s%s\n", wasBad ? before.c_str() : withoutLine(message).c_str(),
                     wasBad ? " (in /etc/hatkit.conf as it is: mend it by hand, man 5 hatkit.conf)" : "",
                     !wasBad && message.find("fan_") != std::string::npos ? " (give both: hatkit set fan_on 60 fan_off 50)"
                                                                           : "");
        return kExitRefused;
    }
    if (fresh == text) {
        std::printf("%s: no change\n", changes.size() == 1 ? changes[0].key.c_str() : "the settings");
        return 0;
    }
    std::string link;
    if (!writeSettings(fresh, &link)) {
        const int why = errno;
        std::fprintf(stderr, "hatkit: cannot change %s%s%s: %s\n", kSettingsPath, link.empty() ? "" : ", a link to ",
                     link.c_str(), std::strerror(why));
        if (!link.empty()) {
            std::fprintf(stderr, "hatkit: change %s itself, or put a plain file in place of the link\n", link.c_str());
        }
        if ((why == EACCES || why == EPERM || why == EROFS) && geteuid() != 0) {
            std::fprintf(stderr, "hatkit: as root: sudo hatkit %s\n", commandLine(changes, unset).c_str());
        }
        return kExitCannotWrite;
    }
    for (const SettingChange& change : changes) {
        if (unset) {
            std::printf("%s unset\n", change.key.c_str());
        } else {
            std::printf("%s = %s\n", change.key.c_str(), change.value.c_str());
        }
    }
    reloadReaders(changes);
    return 0;
}
