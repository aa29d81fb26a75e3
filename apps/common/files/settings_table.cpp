// SPDX-License-Identifier: MIT
#include "apps/common/files/settings_table.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "apps/common/files/hatkit_conf.h"

const char* const kReaderNames[kReaderCount] = {"sysglance", "airguard", "heatglow", "lampshow", "hatkit-mqtt"};

namespace {

constexpr double kMinDegrees = 0.0;
constexpr double kMaxDegrees = 100.0;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

bool parseDegrees(const std::string& value, double* degrees)
{
    if (value.empty() || value.find_first_not_of("0123456789.") != std::string::npos) return false;
    char* end = nullptr;
    const double parsed = std::strtod(value.c_str(), &end);
    if (*end != '\0' || !std::isfinite(parsed) || parsed < kMinDegrees || parsed > kMaxDegrees) return false;
    *degrees = parsed;
    return true;
}

// 0 to 255, decimal or 0x hex.
bool parseByte(const std::string& value, int* out)
{
    const bool hex = value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X');
    const std::string digits = hex ? value.substr(2) : value;
    if (digits.empty() || digits.size() > 3 ||
        digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos) {
        return false;
    }
    const long parsed = std::strtol(digits.c_str(), nullptr, hex ? 16 : 10);
    if (parsed > 255) return false;
    *out = static_cast<int>(parsed);
    return true;
}

// Whole minutes, 1 to a day.
bool parseMinutes(const std::string& value, int* minutes)
{
    if (value.empty() || value.size() > 4 || value.find_first_not_of("0123456789") != std::string::npos) return false;
    const int parsed = std::atoi(value.c_str());
    if (parsed < 1 || parsed > kMaxCareMinutes) return false;
    *minutes = parsed;
    return true;
}

bool parseYesNo(const std::string& value, bool* out)
{
    if (value != "yes" && value != "no") return false;
    *out = value == "yes";
    return true;
}

// One digit from least to most.
bool parseDigit(const std::string& value, int least, int most, int* out)
{
    if (value.size() != 1 || value[0] < '0' + least || value[0] > '0' + most) return false;
    *out = value[0] - '0';
    return true;
}

// Effect numbers separated by spaces, 1 to 16 of them.
bool parseEffects(const std::string& value, HatkitSettings* settings)
{
    int count = 0;
    std::size_t at = 0;
    while (at < value.size()) {
        if (isBlank(value[at])) {
            ++at;
            continue;
        }
        if (value[at] < '0' || value[at] > '0' + kLastEffect || (at + 1 < value.size() && !isBlank(value[at + 1])) ||
            count == kMaxLightEffects) {
            return false;
        }
        settings->lightEffects[count++] = value[at] - '0';
        ++at;
    }
    settings->lightEffectCount = count;
    return count > 0;
}

// "HH:MM" at text[0..4] into minutes after midnight.
bool parseClock(const char* text, int* minutes)
{
    for (int i : {0, 1, 3, 4}) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    if (text[2] != ':') return false;
    const int hours = (text[0] - '0') * 10 + (text[1] - '0');
    const int mins = (text[3] - '0') * 10 + (text[4] - '0');
    if (hours > 23 || mins > 59) return false;
    *minutes = hours * 60 + mins;
    return true;
}

bool parseQuietHours(const std::string& value, HatkitSettings* s, std::string* why)
{
    if (value.size() != 11 || value[5] != '-' || !parseClock(value.c_str(), &s->quietStartMinute) ||
        !parseClock(value.c_str() + 6, &s->quietEndMinute)) {
        return false;
    }
    if (s->quietStartMinute == s->quietEndMinute) {
        *why = "quiet_hours must not start and end at the same time";
        return false;
    }
    s->quietHoursSet = true;
    return true;
}

// Interface names separated by spaces, or "*".
bool parseInterfaces(const std::string& value, HatkitSettings* settings, std::string* why)
{
    if (value == "*") {
        settings->anyInterface = true;
        settings->interfaceCount = 0;
        return true;
    }
    settings->anyInterface = false;
    settings->interfaceCount = 0;
    std::size_t at = 0;
    while (at < value.size()) {
        if (isBlank(value[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < value.size() && !isBlank(value[end])) ++end;
        const std::string name = value.substr(at, end - at);
        if (name == "*" || name.find_first_of("/:=#") != std::string::npos) return false;
        if (name.size() >= kInterfaceNameSize) {
            *why = "interface name '" + name + "' is longer than 15 characters";
            return false;
        }
        if (settings->interfaceCount == kMaxAddressInterfaces) {
            *why = "address_interfaces takes at most 8 names";
            return false;
        }
        std::strcpy(settings->interfaces[settings->interfaceCount++], name.c_str());
        at = end;
    }
    if (settings->interfaceCount == 0) {
        *why = "address_interfaces needs at least one interface name, or *";
        return false;
    }
    return true;
}

// An absolute folder, kept without trailing slashes (but for "/" itself).
bool parseFolder(const std::string& value, HatkitSettings* settings, std::string* why)
{
    std::string path = value;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    if (path.empty() || path[0] != '/') return false;
    if (path.size() >= static_cast<std::size_t>(kMetricsDirSize)) {
        *why = "metrics_dir is longer than 255 characters";
        return false;
    }
    std::strcpy(settings->metricsDir, path.c_str());
    return true;
}

// Text of the given characters, 1 to size-1 long, into out.
bool parseWord(const std::string& value, const char* allowed, char* out, std::size_t size)
{
    if (value.empty() || value.size() >= size || value.find_first_not_of(allowed) != std::string::npos) return false;
    std::strcpy(out, value.c_str());
    return true;
}

constexpr const char* kHostCharacters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-";

// HOST, HOST:PORT, or [IPV6] with an optional :PORT.
bool parseBroker(const std::string& value, MqttSettings* mqtt)
{
    std::string host = value;
    std::string port;
    if (!value.empty() && value[0] == '[') {
        const std::size_t close = value.find(']');
        if (close == std::string::npos || close == 1) return false;
        host = value.substr(1, close - 1);
        if (host.find_first_not_of("0123456789abcdefABCDEF:.") != std::string::npos) return false;
        if (close + 1 < value.size()) {
            if (value[close + 1] != ':') return false;
            port = value.substr(close + 2);
            if (port.empty()) return false;
        }
    } else {
        const std::size_t colon = value.find(':');
        if (colon != std::string::npos) {
            host = value.substr(0, colon);
            port = value.substr(colon + 1);
            if (port.empty()) return false;
        }
        if (host.empty() || host.find_first_not_of(kHostCharacters) != std::string::npos) return false;
    }
    int number = 0;
    if (!port.empty()) {
        if (port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos) return false;
        number = std::atoi(port.c_str());
        if (number < 1 || number > 65535) return false;
    }
    if (host.size() >= sizeof mqtt->host) return false;
    std::strcpy(mqtt->host, host.c_str());
    mqtt->port = number;
    return true;
}

bool parseFile(const std::string& value, char* out)
{
    if (value.size() < 2 || value[0] != '/' || value.back() == '/' || value.size() >= kPathSize) return false;
    std::strcpy(out, value.c_str());
    return true;
}

using Why = std::string*;

constexpr unsigned kFanReaders = kReadBySysglance | kReadByAirguard;
constexpr unsigned kLightReaders = kReadBySysglance | kReadByHeatglow | kReadByLampshow;
constexpr unsigned kBoardReaders = kReadBySysglance | kReadByAirguard | kReadByHeatglow;

constexpr const char* kByte = "a whole number from 0 to 255";
constexpr const char* kMinutesText = "whole minutes from 1 to 1440";
constexpr const char* kDegreesText = "degrees from 0 to 100, like 55 or 52.5";
constexpr const char* kFileText = "an absolute path to a file";

}  // namespace

// clang-format off
const SettingRow kSettingRows[] = {
    {"fan_on", kFanReaders, "", kDegreesText, "",
     "the fan on at or above, in degrees C; with fan_off. Default: the Pi model's (sysglance), 50 (airguard)",
     [](const std::string& v, HatkitSettings* s, Why) { return parseDegrees(v, &s->fanThresholds.onAt); }},
    {"fan_off", kFanReaders, "", kDegreesText, "",
     "the fan off at or below, in degrees C, below fan_on. Default: the Pi model's (sysglance), 45 (airguard)",
     [](const std::string& v, HatkitSettings* s, Why) { return parseDegrees(v, &s->fanThresholds.offAt); }},
    {"display_flip", kReadBySysglance, "no", "yes or no", "yes no",
     "yes: the picture turned 180 degrees, for a board mounted upside down",
     [](const std::string& v, HatkitSettings* s, Why) { return parseYesNo(v, &s->displayFlip); }},
    {"display_contrast", kReadBySysglance, "0x8F", kByte, "",
     "the panel's contrast, decimal or 0x hex",
     [](const std::string& v, HatkitSettings* s, Why) { return parseByte(v, &s->displayContrast); }},
    {"display_updates", kReadBySysglance, "full", "full or changes", "full changes",
     "full: the whole frame every pass; changes: only what changed",
     [](const std::string& v, HatkitSettings* s, Why) {
         if (v != "full" && v != "changes") return false;
         s->displayUpdates = v == "full" ? DisplayUpdates::full : DisplayUpdates::changes;
         return true;
     }},
    {"display_orbit", kReadBySysglance, "no", "yes or no", "yes no",
     "yes: the picture moves a pixel every 3 minutes, against burn-in",
     [](const std::string& v, HatkitSettings* s, Why) { return parseYesNo(v, &s->displayOrbit); }},
    {"display_dim_after", kReadBySysglance, "", kMinutesText, "",
     "the panel dims after this many minutes without anything worth a look. Default: never",
     [](const std::string& v, HatkitSettings* s, Why) { return parseMinutes(v, &s->dimAfterMinutes); }},
    {"display_dim_contrast", kReadBySysglance, "0x10", kByte, "",
     "the contrast of a dimmed panel",
     [](const std::string& v, HatkitSettings* s, Why) { return parseByte(v, &s->dimContrast); }},
    {"screen_timeout", kReadBySysglance, "", kMinutesText, "",
     "the panel off after this many minutes without anything worth a look. Default: never",
     [](const std::string& v, HatkitSettings* s, Why) { return parseMinutes(v, &s->screenTimeoutMinutes); }},
    {"light", kLightReaders, "auto", "auto, off, RRGGBB or effect 0 to 4", "auto off effect",
     "the LEDs when Home Assistant says nothing: the program's own, off, a colour or an effect",
     [](const std::string& v, HatkitSettings* s, Why) { return parseLightMode(v, &s->light); }},
    {"light_effects", kReadBySysglance, "3 4 2 1", "1 to 16 effect numbers from 0 to 4, separated by spaces",
     "0 1 2 3 4", "the effects sysglance takes in turn, ten seconds each",
     [](const std::string& v, HatkitSettings* s, Why) { return parseEffects(v, s); }},
    {"light_brightness", kReadBySysglance | kReadByHeatglow, "255", "a whole number from 1 to 255", "",
     "what a colour on the LEDs shows at (a command from Home Assistant holds over it); effects keep their own",
     [](const std::string& v, HatkitSettings* s, Why) { return parseByte(v, &s->lightBrightness) && s->lightBrightness > 0; }},
    {"light_speed", kLightReaders, "", "1, 2 or 3", "1 2 3",
     "the speed of every effect started. Default: the effect's own",
     [](const std::string& v, HatkitSettings* s, Why) { return parseDigit(v, 1, 3, &s->lightSpeed); }},
    {"light_effect_colour", kLightReaders, "", "a number from 0 to 6", "0 1 2 3 4 5 6",
     "the colour number of every effect started. Default: the effect's own",
     [](const std::string& v, HatkitSettings* s, Why) { return parseDigit(v, 0, 6, &s->lightEffectColour); }},
    {"quiet_hours", kReadBySysglance | kReadByHeatglow, "", "HH:MM-HH:MM in local time, like 23:00-07:00", "",
     "local time when the panel and the LEDs stay dark (the fan keeps working). Default: none",
     parseQuietHours},
    {"address_interfaces", kReadBySysglance, "eth0 wlan0", "interface names separated by spaces, or * alone", "",
     "the interfaces whose IPv4 address sysglance shows, or * for any but loopback",
     parseInterfaces},
    {"metrics_dir", kBoardReaders, "", "an absolute folder, like /var/lib/prometheus/node-exporter", "FOLDER",
     "the folder for a metrics file of each program (node_exporter's textfile folder). Default: none",
     parseFolder},
    {"mqtt_broker", kReadByBridge, "", "HOST or HOST:PORT, like 192.168.1.5:1883", "",
     "Home Assistant's MQTT broker; without it hatkit-mqtt does not start",
     [](const std::string& v, HatkitSettings* s, Why) { return parseBroker(v, &s->mqtt); }},
    {"mqtt_user", kReadByBridge, "", "a user name of letters, digits and ._@+-", "",
     "the broker's user name. Default: none",
     [](const std::string& v, HatkitSettings* s, Why) {
         return parseWord(v, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789._@+-", s->mqtt.user,
                          sizeof s->mqtt.user);
     }},
    {"mqtt_password_file", kReadByBridge, "", kFileText, "FILE",
     "a file, root's alone, whose first line is the broker's password",
     [](const std::string& v, HatkitSettings* s, Why) { return parseFile(v, s->mqtt.passwordFile); }},
    {"mqtt_ca_file", kReadByBridge, "", kFileText, "FILE",
     "the certificate authority of the broker's certificate: TLS when given",
     [](const std::string& v, HatkitSettings* s, Why) { return parseFile(v, s->mqtt.caFile); }},
    {"mqtt_cert_file", kReadByBridge, "", kFileText, "FILE",
     "a client certificate, with mqtt_key_file and mqtt_ca_file",
     [](const std::string& v, HatkitSettings* s, Why) { return parseFile(v, s->mqtt.certFile); }},
    {"mqtt_key_file", kReadByBridge, "", kFileText, "FILE",
     "the client certificate's key",
     [](const std::string& v, HatkitSettings* s, Why) { return parseFile(v, s->mqtt.keyFile); }},
    {"mqtt_node", kReadByBridge, "", "1 to 63 of a-z, 0-9, _ and -", "",
     "the board's name in Home Assistant's topics and ids. Default: the host name",
     [](const std::string& v, HatkitSettings* s, Why) {
         return parseWord(v, "abcdefghijklmnopqrstuvwxyz0123456789_-", s->mqtt.node, sizeof s->mqtt.node);
     }},
    {"mqtt_discovery_prefix", kReadByBridge, "homeassistant", "a topic like homeassistant", "",
     "Home Assistant's discovery prefix",
     [](const std::string& v, HatkitSettings* s, Why) {
         return parseWord(v, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-/",
                          s->mqtt.discoveryPrefix, sizeof s->mqtt.discoveryPrefix) &&
                v.front() != '/' && v.back() != '/';
     }},
};
// clang-format on
const int kSettingCount = static_cast<int>(sizeof kSettingRows / sizeof kSettingRows[0]);

const SettingRow* findSetting(const std::string& name)
{
    for (const SettingRow& row : kSettingRows) {
        if (name == row.name) return &row;
    }
    return nullptr;
}

namespace {

// Edits (insert, delete, change, swap of neighbours) from a to b.
std::size_t editDistance(const std::string& a, const std::string& b)
{
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}

}  // namespace

std::string nearestName(const std::string& name, const char* const* names, int count)
{
    std::string best;
    std::size_t bestDistance = 3;
    for (int i = 0; i < count; ++i) {
        const std::size_t distance = editDistance(name, names[i]);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = names[i];
        }
    }
    return best;
}

std::string nearestSetting(const std::string& name)
{
    std::vector<const char*> names;
    for (const SettingRow& row : kSettingRows) names.push_back(row.name);
    return nearestName(name, names.data(), kSettingCount);
}
