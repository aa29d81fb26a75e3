// SPDX-License-Identifier: MIT
#include "apps/common/files/hatkit_conf.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "apps/common/files/key_value_text.h"
#include "apps/common/files/settings_table.h"

namespace {

constexpr std::size_t kMaxFileBytes = 64 * 1024;

std::string lineMessage(int line, const std::string& why) { return ::lineMessage("hatkit.conf", line, why); }

std::string degreesText(double degrees)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", degrees);
    return text;
}

}  // namespace

bool parseSettings(const char* text, std::size_t length, HatkitSettings* settings, std::string* message,
                   unsigned reader)
{
    // Everything is checked on `all`; the reader's own keys go to `mine` too.
    HatkitSettings all;
    HatkitSettings mine;
    std::vector<int> keyLine(static_cast<std::size_t>(kSettingCount), 0);
    const auto lineOf = [&](const char* name) { return keyLine[static_cast<std::size_t>(findSetting(name) - kSettingRows)]; };
    const bool ok = forEachPair(
        text, length, "hatkit.conf",
        [&](int line, const std::string& name, const std::string& value, std::string* why) {
            const SettingRow* row = findSetting(name);
            if (row == nullptr) {
                *why = "unknown key '" + name + "'";
                return false;
            }
            int& seen = keyLine[static_cast<std::size_t>(row - kSettingRows)];
            if (seen != 0) {
                *why = name + " is already set on line " + std::to_string(seen);
                return false;
            }
            seen = line;
            if (!row->parse(value, &all, why)) {
                if (why->empty()) *why = name + " must be " + row->expects + ", not '" + value + "'";
                return false;
            }
            return (row->readers & reader) == 0 || row->parse(value, &mine, why);
        },
        message);
    if (!ok) return false;

    // The thresholds come as a pair; the pair's later line is named.
    const int onLine = lineOf("fan_on");
    const int offLine = lineOf("fan_off");
    if ((onLine != 0) != (offLine != 0)) {
        *message = lineMessage(onLine != 0 ? onLine : offLine,
                               onLine != 0 ? "fan_on needs fan_off too" : "fan_off needs fan_on too");
        return false;
    }
    if (onLine != 0) {
        if (all.fanThresholds.offAt >= all.fanThresholds.onAt) {
            *message = lineMessage(onLine > offLine ? onLine : offLine,
                                   "fan_off (" + degreesText(all.fanThresholds.offAt) + ") must be below fan_on (" +
                                       degreesText(all.fanThresholds.onAt) + ")");
            return false;
        }
        mine.fanThresholdsSet = (findSetting("fan_on")->readers & reader) != 0;
    }
    // A client certificate goes with its key, over TLS.
    const int certLine = lineOf("mqtt_cert_file");
    const int keyFileLine = lineOf("mqtt_key_file");
    if ((certLine != 0) != (keyFileLine != 0)) {
        *message = lineMessage(certLine != 0 ? certLine : keyFileLine,
                               certLine != 0 ? "mqtt_cert_file needs mqtt_key_file too"
                                             : "mqtt_key_file needs mqtt_cert_file too");
        return false;
    }
    if (certLine != 0 && lineOf("mqtt_ca_file") == 0) {
        *message = lineMessage(certLine, "a client certificate needs mqtt_ca_file (TLS) too");
        return false;
    }
    *settings = mine;
    return true;
}

bool loadSettings(HatkitSettings* settings, std::string* message, unsigned reader)
{
    std::string content;
    switch (readSmallFile(kSettingsPath, "hatkit.conf", kMaxFileBytes, &content, message)) {
    case FileRead::missing: *settings = HatkitSettings{}; return true;
    case FileRead::failed: return false;
    case FileRead::ok: break;
    }
    return parseSettings(content.data(), content.size(), settings, message, reader);
}

bool inQuietHours(const HatkitSettings& settings, int secondsOfDay)
{
    if (!settings.quietHoursSet) return false;
    const int start = settings.quietStartMinute * 60;
    const int end = settings.quietEndMinute * 60;
    if (start < end) return secondsOfDay >= start && secondsOfDay < end;
    return secondsOfDay >= start || secondsOfDay < end;  // across midnight
}

bool wantsAddressOf(const HatkitSettings& settings, const char* name, bool loopback)
{
    if (settings.anyInterface) return !loopback;
    for (int i = 0; i < settings.interfaceCount; ++i) {
        if (std::strcmp(settings.interfaces[i], name) == 0) return true;
    }
    return false;
}
