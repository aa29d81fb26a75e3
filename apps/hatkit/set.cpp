// SPDX-License-Identifier: MIT
// hatkit set KEY VALUE / hatkit unset KEY: the value checked by the
// programs' own parser, /etc/hatkit.conf changed in place and replaced
// whole, then each running unit that reads the key reloaded.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "apps/hatkit/owner_commands.h"
#include "apps/hatkit/settings_edit.h"
#include "apps/hatkit/systemctl.h"
#include "apps/common/files/hatkit_conf.h"
#include "apps/common/files/key_value_text.h"
#include "platform/system_files.h"

namespace {

constexpr std::size_t kSettingsLimit = 64 * 1024;

// /etc/hatkit.conf replaced whole, its owner and mode kept.
bool writeSettings(const std::string& text)
{
    const int folder = openOutputFolder("/etc");
    if (folder < 0) return false;
    const bool written = replaceFileKeepingOwner(folder, "hatkit.conf", text.data(), text.size());
    const int saved = errno;
    close(folder);
    errno = saved;
    return written;
}

void reloadReaders(const std::string& key)
{
    bool any = false;
    for (const std::string& unit : unitsReading(key)) {
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
    if (!any) std::printf("no running program reads %s: it applies when one starts\n", key.c_str());
}

}  // namespace

int setKey(const std::string& key, const std::string* value)
{
    std::string text;
    std::string message;
    if (readSmallFile(kSettingsPath, "hatkit.conf", kSettingsLimit, &text, &message) == FileRead::failed) {
        std::fprintf(stderr, "hatkit: %s\n", message.c_str());
        return kExitCannotWrite;
    }
    int changed = 0;
    const std::string fresh = settingsWith(text, key, value, &changed);
    HatkitSettings settings;
    if (!parseSettings(fresh.data(), fresh.size(), &settings, &message)) {
        std::fprintf(stderr, "hatkit: not changed: %s\n", message.c_str());
        return kExitRefused;
    }
    if (fresh == text) {
        std::printf("%s: no change\n", key.c_str());
        return 0;
    }
    if (!writeSettings(fresh)) {
        const int why = errno;
        std::fprintf(stderr, "hatkit: cannot change %s: %s\n", kSettingsPath, std::strerror(why));
        if (why == EACCES || why == EPERM || why == EROFS) {
            std::fprintf(stderr, "hatkit: as root: sudo hatkit %s %s%s%s\n", value != nullptr ? "set" : "unset",
                         key.c_str(), value != nullptr ? " " : "", value != nullptr ? value->c_str() : "");
        }
        return kExitCannotWrite;
    }
    if (value != nullptr) {
        std::printf("%s = %s\n", key.c_str(), value->c_str());
    } else {
        std::printf("%s unset\n", key.c_str());
    }
    reloadReaders(key);
    return 0;
}
